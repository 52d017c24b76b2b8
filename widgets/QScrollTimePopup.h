#pragma once

#include "QScrollTime.h"

// The time picker as a pop-up window under a time field.
class QScrollTimePopup : public QScrollTime
{
    Q_OBJECT

public:
    explicit QScrollTimePopup(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
