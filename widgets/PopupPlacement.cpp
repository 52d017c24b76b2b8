#include "PopupPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace PopupPlacement {

QPoint belowOrAbove(const QWidget* anchor, const QSize& size, const QPoint& offset)
{
    const QPoint below = anchor->mapToGlobal(anchor->rect().bottomLeft() + offset);
    const QPoint above = anchor->mapToGlobal(anchor->rect().topLeft() + QPoint(offset.x(), -offset.y()));
    QScreen* screen = QGuiApplication::screenAt(below);
    if (!screen)
        screen = anchor->screen();
    if (!screen)
        return below;
    const QRect available = screen->availableGeometry();

    int x = below.x();
    if (x + size.width() > available.right())
        x = available.right() - size.width();
    x = qMax(x, available.left());

    int y = below.y();
    if (y + size.height() > available.bottom())
        y = qMax(above.y() - size.height(), available.top());
    else if (y < available.top())
        y = available.top();
    if (y + size.height() > available.bottom())
        y = available.bottom() - size.height();
    return QPoint(x, y);
}

} // namespace PopupPlacement
