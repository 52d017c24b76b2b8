#pragma once

#include <QRect>

class QStyle;

// The style's check-box indicator rectangle, centred in `area` (integer
// division, as the header and the cells both place it).
QRect CentredCheckBoxRect(const QStyle* style, const QRect& area);
