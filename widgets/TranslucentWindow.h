#pragma once

#include "ferrowix_export.h"

class QColor;
class QPainter;
class QWidget;

// Windows with see-through parts (rounded corners, painted shadows) need a
// compositing window manager on X11: without one the transparent pixels show
// black. Such windows ask here and paint themselves opaque when nobody composes.
// Exported for the program's own pop-ups, which have the same need.
namespace TranslucentWindow {

// True where transparent window pixels blend with what lies behind.
FERROWIX_EXPORT bool isSupported();

// Makes `window` translucent where that is supported; call before it is shown.
// Returns whether it did, so that the window knows to paint every pixel.
FERROWIX_EXPORT bool enable(QWidget* window);

// First step of painting such a window: where it is opaque, lays `colour`
// under everything, so the see-through parts come out in the window's own
// colour instead of black.
FERROWIX_EXPORT void fillWhereOpaque(QWidget* window, QPainter& painter, const QColor& colour);

} // namespace TranslucentWindow
