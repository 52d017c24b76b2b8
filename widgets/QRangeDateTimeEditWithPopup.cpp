#include "QRangeDateTimeEditWithPopup.h"

#include <QDateTimeEdit>

QRangeDateTimeEditWithPopup::~QRangeDateTimeEditWithPopup() = default;

void QRangeDateTimeEditWithPopup::getDateTime(QDateTime& begin, QDateTime& end)
{
    begin = beginEdit()->dateTime();
    end = endEdit()->dateTime();
}

void QRangeDateTimeEditWithPopup::setDateTime(const QDateTime& begin, const QDateTime& end)
{
    beginEdit()->setDateTime(begin);
    endEdit()->setDateTime(end);
}
