#pragma once

#include <QRect>

class QWidget;

// The drop-down arrow of `widget` drawn as an editable combo box (as a date-time
// edit with a calendar pop-up is), in the widget's own coordinates.
QRect comboBoxArrowRect(const QWidget* widget);
