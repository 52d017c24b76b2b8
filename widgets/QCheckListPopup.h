#pragma once

#include "QCheckListWidget.h"

class QCheckListComboBox;

// The check-list panel as a pop-up window under its combo box.
class QCheckListPopup : public QCheckListWidget
{
    Q_OBJECT

public:
    explicit QCheckListPopup(QCheckListComboBox* parent);

protected:
    // A pop-up receives the presses outside itself: they close it.
    void mousePressEvent(QMouseEvent* event) override;
};
