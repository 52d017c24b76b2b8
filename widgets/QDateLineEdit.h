#pragma once

#include <QDate>
#include <QLineEdit>

// A date field showing "yyyy-MM-dd" that accepts typed dates in a loose form:
// "20260305", "2026-03-05", "2026/3/5", "2026.3.5".
class QDateLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit QDateLineEdit(QWidget* parent = nullptr);

    // Shows a valid date; an invalid one changes nothing.
    void setDate(const QDate& date);

    // The date `text` means, or an invalid date.
    static QDate parseDate(const QString& text);

signals:
    void dateChanged(QDate date);

private:
    void commit();

    QDate m_date;
};
