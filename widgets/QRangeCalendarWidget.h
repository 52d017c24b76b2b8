#pragma once

#include <QDateTime>
#include <QModelIndex>
#include <QWidget>

#include <functional>
#include <memory>

class QListWidgetItem;
class QRangeCalendarWidgetForm;

// Picks a period on two calendars (begin left, end right), optionally with time
// fields above and a list of shortcuts ("最近一周", ...) at the right. The begin
// can never be chosen after the end; confirm reports the period only when it
// differs from the one last handed in.
class QRangeCalendarWidget : public QWidget
{
    Q_OBJECT

public:
    enum RangeCalendarMode { TimeEditMode = 1, ShortCutMode = 2 };
    Q_DECLARE_FLAGS(RangeCalendarModes, RangeCalendarMode)
    Q_FLAG(RangeCalendarModes)

    explicit QRangeCalendarWidget(QWidget* parent = nullptr, Qt::WindowFlags flags = {},
                                  QFlags<RangeCalendarMode> mode = QFlags<RangeCalendarMode>(TimeEditMode |
                                                                                             ShortCutMode));
    ~QRangeCalendarWidget() override;

    void setDate(const QDate& begin, const QDate& end);
    void setDateTime(const QDateTime& begin, const QDateTime& end);
    void setDateRange(const QDate& min, const QDate& max);
    void getShortCutDateItem(QList<QListWidgetItem*>& items);
    // `value` counts days in bits 0-7, months in bits 8-15, years in bits 16-23.
    void insertShortCutDate(const QString& text, int value);
    // The clock the shortcuts count back from; the system clock by default.
    void setClock(std::function<QDateTime()> now);

signals:
    void SignalDateChanged(QDate dtBegin, QDate dtEnd);
    void SignalDateTimeChanged(QDateTime dtBegin, QDateTime dtEnd);
    void SignalClickConfirmBtn();

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void onConfirmBtnClicked();
    void onClearBtnClicked();
    void onShortCutItemClicked(QModelIndex index);
    void checkValid();

private:
    void initShortCutList();
    void resetDateRange();
    void onBeginSelectionChanged();
    void onEndSelectionChanged();
    bool hasTime() const;
    QDateTime beginDateTime() const;
    QDateTime endDateTime() const;

    std::unique_ptr<QRangeCalendarWidgetForm> ui;
    QFlags<RangeCalendarMode> m_mode;
    QDate m_rangeMin;
    QDate m_rangeMax;
    QDate m_referenceBeginDate;
    QDate m_referenceEndDate;
    QTime m_referenceBeginTime;
    QTime m_referenceEndTime;
    std::function<QDateTime()> m_now;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(QRangeCalendarWidget::RangeCalendarModes)
