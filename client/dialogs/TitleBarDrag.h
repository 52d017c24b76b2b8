#pragma once

#include <QPoint>

class QEvent;
class QWidget;

// Moves a frameless window by a title bar: the window manager moves it where
// it can; without one (or where the platform refuses) the window follows the
// pointer itself. Fed the title bar's mouse events by the window's event filter.
class TitleBarDrag
{
public:
    // True when the event was a drag event and is consumed.
    bool HandleTitleEvent(QWidget* window, QEvent* event);
    void Reset() { manual = false; }

private:
    bool manual = false;
    QPoint offset; // of the pointer from the window's corner, while dragging by hand
};
