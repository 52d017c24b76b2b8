#pragma once

#include "CalendarGrid.h"

#include <QDate>
#include <QFrame>
#include <QModelIndex>

#include <memory>

class QStyledCalendarWidgetPrivate;
class QStyledCalendarWidgetForm;

// The library's calendar: year and month arrows around clickable year and month
// labels above a grid of days, months or the years of a decade.
class QStyledCalendarWidget : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QColor textColorHover READ textColorHover WRITE setTextColorHover)
    Q_PROPERTY(CalendarType calendarType READ calendarType WRITE setCalendarType)
    Q_PROPERTY(bool isSwitchMode READ isSwitchMode WRITE setSwitchModeEnabled)

public:
    enum CalendarType {
        YearCalendar = CalendarGrid::Decade,
        MonthCalendar = CalendarGrid::Months,
        DateCalendar = CalendarGrid::Days
    };
    Q_ENUM(CalendarType)
    // Stored and handed back for the owner's use; it changes nothing here.
    using FacadeFormat = int;

    explicit QStyledCalendarWidget(QWidget* parent = nullptr, CalendarType type = DateCalendar);
    ~QStyledCalendarWidget() override;

    QDate selectedDate() const;
    void clearSelection();
    QDate minimumDate() const;
    QDate maximumDate() const;
    void setMinimumDate(const QDate& date);
    void setMaximumDate(const QDate& date);
    int yearShown() const;
    int monthShown() const;
    Qt::DayOfWeek firstDayOfWeek() const;
    void setFirstDayOfWeek(Qt::DayOfWeek day);
    bool isGridVisible() const;
    CalendarType calendarType() const;
    void setCalendarType(CalendarType type);
    bool isSwitchMode() const;
    void setSwitchModeEnabled(bool enabled);
    FacadeFormat facadeFormat() const;
    void setFacadeFormat(FacadeFormat format);
    QColor textColorHover() const;
    void setTextColorHover(const QColor& color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void setSelectedDate(QDate date);
    void setDateRange(QDate min, QDate max);
    void setGridVisible(bool show);

signals:
    void selectionChanged();
    void yearSubmited(int year);
    void yearMonthSubmited(int year, int month);
    void dateSubmited(QDate date);
    void calendarTypeChanged(int oldType, int newType);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void _q_slotChangeDate(QDate date);
    void _q_slotChangeDate(QDate date, bool changeMonth);
    void _q_prevMonthClicked();
    void _q_nextMonthClicked();
    void _q_prevYearClicked();
    void _q_nextYearClicked();
    void _q_YearLabelClicked();
    void _q_MonthLabelClicked();
    void _q_cellClicked(const QModelIndex& index);

private:
    void adjustToolButtonGeometry();
    void updateNavigationBar();
    void showYearMonth(int year, int month);
    void showMonthOf(const QDate& date);
    // After a range change clamped the selection away from `before`: show and report it.
    void followMovedSelection(const QDate& before);

    std::unique_ptr<QStyledCalendarWidgetForm> ui;
    std::unique_ptr<QStyledCalendarWidgetPrivate> d;
};
