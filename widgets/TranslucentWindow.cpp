#include "TranslucentWindow.h"

#include <QPainter>
#include <QWidget>
#include <QX11Info>

namespace TranslucentWindow {

bool isSupported()
{
    // Wayland always composes, and the offscreen platform blends in memory;
    // only X11 depends on a compositing manager running.
    if (!QX11Info::isPlatformX11())
        return true;
    return QX11Info::isCompositingManagerRunning();
}

bool enable(QWidget* window)
{
    const bool translucent = isSupported();
    window->setAttribute(Qt::WA_TranslucentBackground, translucent);
    return translucent;
}

void fillWhereOpaque(QWidget* window, QPainter& painter, const QColor& colour)
{
    if (window->isWindow() && !window->testAttribute(Qt::WA_TranslucentBackground))
        painter.fillRect(window->rect(), colour);
}

} // namespace TranslucentWindow
