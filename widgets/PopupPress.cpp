#include "PopupPress.h"

#include <QMouseEvent>
#include <QWidget>

namespace PopupPress {

void keepFromReopening(QWidget* popup, const QMouseEvent* event, const QRect& openerOnScreen)
{
    if (openerOnScreen.contains(event->globalPos()) || popup->rect().contains(event->pos()))
        popup->setAttribute(Qt::WA_NoMouseReplay);
}

QRect onScreen(const QWidget* widget, const QRect& rect)
{
    return QRect(widget->mapToGlobal(rect.topLeft()), rect.size());
}

} // namespace PopupPress
