#include "QRangeDateEditWithPopup.h"

#include <QDateTimeEdit>

QRangeDateEditWithPopup::QRangeDateEditWithPopup(QWidget* parent) : QRangeEditWithPopupBase(parent, false)
{
}

QRangeDateEditWithPopup::~QRangeDateEditWithPopup() = default;

void QRangeDateEditWithPopup::getDate(QDate& begin, QDate& end)
{
    begin = beginEdit()->date();
    end = endEdit()->date();
}

void QRangeDateEditWithPopup::setDate(const QDate& begin, const QDate& end)
{
    beginEdit()->setDate(begin);
    endEdit()->setDate(end);
}
