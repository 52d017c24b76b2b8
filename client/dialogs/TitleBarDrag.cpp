#include "TitleBarDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

bool TitleBarDrag::HandleTitleEvent(QWidget* window, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        QWindow* handle = window->windowHandle();
        if (handle && handle->startSystemMove())
            return true;
        manual = true;
        offset = mouse->globalPos() - window->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!manual || !(mouse->buttons() & Qt::LeftButton))
            return false;
        window->move(mouse->globalPos() - offset);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!manual || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        manual = false;
        return true;
    default: return false;
    }
}
