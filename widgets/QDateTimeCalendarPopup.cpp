#include "QDateTimeCalendarPopup.h"

#include "ComboArrowGeometry.h"

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
    if (const auto* edit = qobject_cast<const QDateTimeEdit*>(parentWidget())) {
        QRect arrow = comboBoxArrowRect(edit);
        arrow.moveTopLeft(edit->mapToGlobal(arrow.topLeft()));
        // A press on the edit's arrow closes the pop-up and must not reopen it.
        if (arrow.contains(event->globalPos()) || rect().contains(event->pos()))
            setAttribute(Qt::WA_NoMouseReplay);
    }
    QDateTimeCalendarWidget::mousePressEvent(event);
}
