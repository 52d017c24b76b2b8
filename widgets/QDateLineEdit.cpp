#include "QDateLineEdit.h"

#include <QRegExpValidator>
#include <QRegularExpression>

namespace {
const QString kDisplayFormat = QStringLiteral("yyyy-MM-dd");
}

QDateLineEdit::QDateLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new QRegExpValidator(QRegExp(QStringLiteral("\\d{4}[\\./-]?\\d{1,2}[\\./-]?\\d{1,2}")), this));
    connect(this, &QLineEdit::editingFinished, this, &QDateLineEdit::commit);
}

void QDateLineEdit::setDate(const QDate& date)
{
    if (!date.isValid())
        return;
    setText(date.toString(kDisplayFormat));
    m_date = date;
}

QDate QDateLineEdit::parseDate(const QString& text)
{
    // Without separators only eight digits are unambiguous; with both
    // separators the month and the day may have one digit each.
    static const QRegularExpression separated(QStringLiteral("^(\\d{4})[./-](\\d{1,2})[./-](\\d{1,2})$"));
    const QRegularExpressionMatch match = separated.match(text.trimmed());
    if (match.hasMatch())
        return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    QString digits = text;
    digits.remove(QRegularExpression(QStringLiteral("\\D")));
    return QDate::fromString(digits, QStringLiteral("yyyyMMdd"));
}

void QDateLineEdit::commit()
{
    const QDate date = parseDate(text());
    if (!date.isValid()) {
        clear();
        return;
    }
    const bool changed = date != m_date;
    setDate(date);
    if (changed)
        emit dateChanged(date);
}
