#pragma once

#include <QRect>

class QMouseEvent;
class QWidget;

namespace PopupPress {
// A press outside a Qt::Popup closes it and is then replayed to the widget
// under it. Over the pop-up's opener (`openerOnScreen`, in global coordinates)
// the replay would open the pop-up again at once, so there, as on the pop-up
// itself, the press is not replayed.
void keepFromReopening(QWidget* popup, const QMouseEvent* event, const QRect& openerOnScreen);

// `rect`, given in `widget`'s coordinates, in global coordinates.
QRect onScreen(const QWidget* widget, const QRect& rect);
} // namespace PopupPress
