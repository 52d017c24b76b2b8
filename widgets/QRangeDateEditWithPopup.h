#pragma once

#include "QRangeEditWithPopupBase.h"
// Forms from Qt Designer include this header for both range edits.
#include "QRangeDateTimeEditWithPopup.h"

#include <QDate>

// The period box for whole days ("yyyy/MM/dd").
class QRangeDateEditWithPopup : public QRangeEditWithPopupBase
{
    Q_OBJECT

public:
    explicit QRangeDateEditWithPopup(QWidget* parent = nullptr);
    ~QRangeDateEditWithPopup() override;

    void getDate(QDate& begin, QDate& end);
    // Writes both fields as given; order is enforced only inside the pop-up.
    void setDate(const QDate& begin, const QDate& end);
};
