#pragma once

#include "ferrowix_export.h"

#include <QPoint>
#include <QString>

class QWidget;

// One floating message at a time: a small frameless window over a widget with
// a picture for its type, the text and a close button; it closes itself after
// the display time. Showing a new message replaces the old one; showing the same
// message again while it is up leaves it (and its timer) alone.
class FERROWIX_EXPORT PromptTip
{
public:
    enum MsgType { Tip = 0, Warning = 1, Failure = 2, Success = 3 };

    // `pos` is relative to `widget`'s top-left corner; (0, 0) centres the tip on
    // it. An empty text closes a visible tip 300 ms later. GUI thread only.
    static void showText(const MsgType& type, const QString& text, QWidget* widget, const QPoint& pos,
                         int msecDisplayTime);
};
