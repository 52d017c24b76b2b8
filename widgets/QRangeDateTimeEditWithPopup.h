#pragma once

#include "QRangeEditWithPopupBase.h"

#include <QDateTime>

// The period box for date-times ("yyyy/MM/dd HH:mm:ss"), as the search page uses it.
class FERROWIX_EXPORT QRangeDateTimeEditWithPopup : public QRangeEditWithPopupBase
{
    Q_OBJECT

public:
    explicit QRangeDateTimeEditWithPopup(QWidget* parent = nullptr) : QRangeEditWithPopupBase(parent, true) { }
    ~QRangeDateTimeEditWithPopup() override;

    void getDateTime(QDateTime& begin, QDateTime& end);
    // Writes both fields as given; order is enforced only inside the pop-up.
    void setDateTime(const QDateTime& begin, const QDateTime& end);
};
