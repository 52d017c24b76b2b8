#pragma once

#include <QRect>

class QStyle;

// The rectangle of a plain check box's indicator, as `style` sizes it, centred
// in `area`. The table's header and its cells share it so that their boxes line up.
QRect centredCheckIndicatorRect(const QRect& area, const QStyle* style);
