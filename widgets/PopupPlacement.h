#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

namespace PopupPlacement {
// Where a pop-up of `size` goes under `anchor`: at its bottom-left corner moved
// by `offset`, shifted left to fit the screen, or as far above its top when
// there is no room below; always inside the available geometry of the screen
// under that point, or of the anchor's own screen when no screen lies there.
QPoint belowOrAbove(const QWidget* anchor, const QSize& size, const QPoint& offset = QPoint(0, 3));
} // namespace PopupPlacement
