#pragma once

#include "QDateTimeCalendarWidget.h"

// The date-time picker as the pop-up window of QDateTimeEditWithPopup.
class QDateTimeCalendarPopup : public QDateTimeCalendarWidget
{
    Q_OBJECT

public:
    explicit QDateTimeCalendarPopup(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
