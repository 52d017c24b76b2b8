#pragma once

#include <QDateTimeEdit>

class QDateTimeCalendarWidget;

// A date-time edit ("yyyy/MM/dd HH:mm:ss") whose calendar pop-up is the
// library's own date-time picker; any press on the edit opens it.
class QDateTimeEditWithPopup : public QDateTimeEdit
{
    Q_OBJECT

public:
    // Starts at the current date-time.
    explicit QDateTimeEditWithPopup(QWidget* parent = nullptr);
    // These keep the value given.
    explicit QDateTimeEditWithPopup(const QDateTime& dateTime, QWidget* parent = nullptr);
    explicit QDateTimeEditWithPopup(const QDate& date, QWidget* parent = nullptr);
    explicit QDateTimeEditWithPopup(const QTime& time, QWidget* parent = nullptr);
    ~QDateTimeEditWithPopup() override;

    QDateTimeCalendarWidget* popupWidget() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Init(const QDateTime& value);
    void positionCalendarPopup();

    QDateTimeCalendarWidget* m_popup = nullptr;
    QRect m_arrowRect;
};
