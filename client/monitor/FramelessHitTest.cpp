#include "FramelessHitTest.h"

Qt::Edges FramelessHitTest(const QRect& window, const QPoint& point, const FramelessBands& bands)
{
    const int left = window.x();
    const int top = window.y();
    const int right = window.x() + window.width();   // exclusive
    const int bottom = window.y() + window.height(); // exclusive
    const int inner = bands.shadowMargin;
    const int outer = bands.shadowMargin + bands.bandWidth;
    const int x = point.x();
    const int y = point.y();

    const bool inLeft = left + inner <= x && x < left + outer;
    const bool inRight = right - outer <= x && x < right - inner;
    const bool inTop = top + inner <= y && y < top + outer;
    const bool inBottom = bottom - outer <= y && y < bottom - inner;

    if (inLeft && inBottom)
        return Qt::LeftEdge | Qt::BottomEdge;
    if (inRight && inBottom)
        return Qt::RightEdge | Qt::BottomEdge;
    if (inLeft && inTop)
        return Qt::LeftEdge | Qt::TopEdge;
    if (inRight && inTop)
        return Qt::RightEdge | Qt::TopEdge;
    if (inLeft)
        return Qt::LeftEdge;
    if (inRight)
        return Qt::RightEdge;
    if (inBottom)
        return Qt::BottomEdge;
    if (inTop)
        return Qt::TopEdge;
    return {};
}
