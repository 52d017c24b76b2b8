#include "QScrollTimePopup.h"

#include "PopupPress.h"

#include <QMouseEvent>

QScrollTimePopup::QScrollTimePopup(QWidget* parent)
    : QScrollTime(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
{
    setAttribute(Qt::WA_WindowPropagation);
}

void QScrollTimePopup::mousePressEvent(QMouseEvent* event)
{
    // A press anywhere on the time field opens the pop-up.
    const QWidget* owner = parentWidget();
    if (owner && owner->inherits("QTimeLineEdit"))
        PopupPress::keepFromReopening(this, event, PopupPress::onScreen(owner, owner->rect()));
    QScrollTime::mousePressEvent(event);
}
