#include "QRangeCalendarPopup.h"

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
    // A press on the owner's calendar button closes the pop-up; replayed to the
    // button it would open it again at once.
    QWidget* owner = parentWidget();
    QLayout* layout = owner ? owner->layout() : nullptr;
    if (owner && owner->inherits("QRangeEditWithPopupBase") && layout && layout->count() > 0) {
        const QWidget* button = layout->itemAt(layout->count() - 1)->widget();
        const QRect buttonRect = button ? QRect(button->mapToGlobal(QPoint(0, 0)), button->size()) : QRect();
        if (buttonRect.contains(event->globalPos()) || rect().contains(event->pos()))
            setAttribute(Qt::WA_NoMouseReplay);
    }
    QRangeCalendarWidget::mousePressEvent(event);
}
