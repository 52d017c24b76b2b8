#include "QScrollTimePopup.h"

#include <QMouseEvent>

QScrollTimePopup::QScrollTimePopup(QWidget* parent)
    : QScrollTime(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_WindowPropagation);
}

void QScrollTimePopup::mousePressEvent(QMouseEvent* event)
{
    // A press on the time field closes the pop-up; it must not reopen it at once.
    QWidget* owner = parentWidget();
    if (owner && owner->inherits("QTimeLineEdit")) {
        const QRect ownerRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
        if (ownerRect.contains(event->globalPos()) || rect().contains(event->pos()))
            setAttribute(Qt::WA_NoMouseReplay);
    }
    QScrollTime::mousePressEvent(event);
}
