#pragma once

#include "QRangeCalendarWidget.h"

// The range calendar as a pop-up window; it hides on confirm and on a shortcut.
class QRangeCalendarPopup : public QRangeCalendarWidget
{
    Q_OBJECT

public:
    QRangeCalendarPopup(QWidget* parent, QFlags<RangeCalendarMode> mode);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
