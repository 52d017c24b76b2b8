#pragma once

#include <QAbstractTableModel>
#include <QDate>

class QYearMonthCalendarView;

// The cells of a calendar grid: six weeks of a month under a row of weekday
// names, the twelve months of a year, or the ten years of a decade. The view's
// calendar type decides which.
class QYearMonthCalendarModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    QYearMonthCalendarModel(QYearMonthCalendarView* view, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;

    // Row and column of `date` in the grid shown, -1 each when it has no cell.
    void cellForDate(const QDate& date, int* row, int* column) const;
    QModelIndex indexForDate(const QDate& date) const;
    // The date of a day cell; null outside rows 1 to 6.
    QDate dateForCell(int row, int column) const;
    // The year of a decade cell, 0 for the two unused cells.
    int yearForCell(int row, int column) const;

    QDate selectedDate() const { return m_selectedDate; }
    void setSelectedDate(const QDate& date);
    QDate minimumDate() const { return m_minimumDate; }
    QDate maximumDate() const { return m_maximumDate; }
    void setMinimumDate(const QDate& date);
    void setMaximumDate(const QDate& date);
    void setRange(const QDate& min, const QDate& max);
    bool isInRange(const QDate& date) const;

    int shownYear() const { return m_shownYear; }
    int shownMonth() const { return m_shownMonth; }
    void setShownYearMonth(int year, int month, bool refresh = true);
    void stepDecade(bool forward);

    Qt::DayOfWeek firstDayOfWeek() const { return m_firstDay; }
    void setFirstDayOfWeek(Qt::DayOfWeek day);

    void refresh();
    int gridType() const;
    // The view switches between the day grid and the smaller grids between these.
    void beginShapeChange() { beginResetModel(); }
    void endShapeChange() { endResetModel(); }

private:
    QDate referenceDate() const;
    int columnForDayOfWeek(int dayOfWeek) const;
    int columnForFirstOfMonth(const QDate& date) const;
    QString weekdayName(int column) const;

    int m_shownYear;
    int m_shownMonth;
    QDate m_selectedDate;
    QDate m_minimumDate = QDate::fromJulianDay(1);
    QDate m_maximumDate = QDate(7999, 12, 31);
    Qt::DayOfWeek m_firstDay;
    QYearMonthCalendarView* m_view;
};
