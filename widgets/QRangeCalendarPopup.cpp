#include "QRangeCalendarPopup.h"

#include "PopupPress.h"

#include <QLayout>
#include <QMouseEvent>

QRangeCalendarPopup::QRangeCalendarPopup(QWidget* parent, QFlags<RangeCalendarMode> mode)
    // Frameless too: a window frame would push the calendar off the place computed for it.
    : QRangeCalendarWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint, mode)
{
    setAttribute(Qt::WA_WindowPropagation);
    connect(this, &QRangeCalendarWidget::SignalClickConfirmBtn, this, &QWidget::hide);
}

void QRangeCalendarPopup::mousePressEvent(QMouseEvent* event)
{
    // The owner's calendar button opens the pop-up.
    QWidget* owner = parentWidget();
    QLayout* layout = owner ? owner->layout() : nullptr;
    if (owner && owner->inherits("QRangeEditWithPopupBase") && layout && layout->count() > 0) {
        const QWidget* button = layout->itemAt(layout->count() - 1)->widget();
        PopupPress::keepFromReopening(this, event, button ? PopupPress::onScreen(button, button->rect()) : QRect());
    }
    QRangeCalendarWidget::mousePressEvent(event);
}
