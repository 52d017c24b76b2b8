#pragma once

#include <QDateTime>
#include <QFrame>

#include <memory>

class QDateTimeCalendarWidgetForm;

// One date-time picked on the library's calendar: date and time fields above
// (mode 1 only), the calendar, and "当前时间" (now) and "确认" (confirm) below.
// A change is reported only when the confirmed value differs from the one last
// handed in with setDateTime.
class QDateTimeCalendarWidget : public QFrame
{
    Q_OBJECT

public:
    QDateTimeCalendarWidget(QWidget* parent = nullptr, Qt::WindowFlags flags = {}, int mode = 1);
    ~QDateTimeCalendarWidget() override;

    void setDateTime(const QDateTime& dateTime);
    void setDateRange(const QDate& min, const QDate& max);
    // The calendar's date with the time field's time.
    QDateTime dateTime() const;
    // The date and time fields are shown exactly for mode 1.
    void setEditVisible(int mode);

signals:
    void SignalDateChanged(QDateTime dtTime);
    void SignalDateConfirm();

public slots:
    void OnClickedConfirmBtn();
    void OnClickedCurrentDateTimeBtn();

private:
    void onDateSubmitted(const QDate& day);

    std::unique_ptr<QDateTimeCalendarWidgetForm> ui;
    QDateTime m_reference;
    int m_mode;
};
