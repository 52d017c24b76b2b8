#include "QPositiveIntValidator.h"

QPositiveIntValidator::QPositiveIntValidator(QObject* parent) : QIntValidator(parent)
{
}

QPositiveIntValidator::QPositiveIntValidator(int bottom, int top, QObject* parent) : QIntValidator(bottom, top, parent)
{
}

QValidator::State QPositiveIntValidator::validate(QString& input, int& pos) const
{
    if (input == QLatin1String("0"))
        return Invalid;
    return QIntValidator::validate(input, pos);
}
