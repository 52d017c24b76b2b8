#pragma once

#include <QPoint>
#include <QRect>
#include <Qt>

// Where a point falls on the frame of a frameless window that keeps a
// transparent shadow margin round its body: the resize bands are the few
// pixels just inside the margin's inner edge, half-open like a window
// rectangle whose right and bottom are exclusive.
struct FramelessBands
{
    int shadowMargin = 12;
    int bandWidth = 5;
};

// The edges to resize from when the point (global coordinates) is in a band of
// the window rectangle (x, y, width, height); none when it is in no band.
// Corners win over edges, and a left or right band reaches over the whole
// height (also into the top and bottom margins), as does a top or bottom band
// over the whole width.
Qt::Edges FramelessHitTest(const QRect& window, const QPoint& point, const FramelessBands& bands = {});
