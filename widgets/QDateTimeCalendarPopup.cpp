#include "QDateTimeCalendarPopup.h"

#include "ComboArrowGeometry.h"
#include "PopupPress.h"

#include <QDateTimeEdit>
#include <QMouseEvent>

QDateTimeCalendarPopup::QDateTimeCalendarPopup(QWidget* parent)
    : QDateTimeCalendarWidget(parent, Qt::Popup | Qt::NoDropShadowWindowHint, 1)
{
    setAttribute(Qt::WA_WindowPropagation);
    connect(this, &QDateTimeCalendarWidget::SignalDateConfirm, this, &QWidget::hide);
}

void QDateTimeCalendarPopup::mousePressEvent(QMouseEvent* event)
{
    // The edit's arrow opens the pop-up.
    if (const auto* edit = qobject_cast<const QDateTimeEdit*>(parentWidget()))
        PopupPress::keepFromReopening(this, event, PopupPress::onScreen(edit, comboBoxArrowRect(edit)));
    QDateTimeCalendarWidget::mousePressEvent(event);
}
