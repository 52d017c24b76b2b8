#include "QYearMonthCalendarModel.h"

#include "CalendarGrid.h"
#include "QYearMonthCalendarView.h"

#include <QLocale>

namespace {
constexpr int kDayRows = 7;
constexpr int kDayColumns = 7;
constexpr int kSmallRows = 3;
constexpr int kSmallColumns = 4;
constexpr int kYearsInDecade = 10;
} // namespace

QYearMonthCalendarModel::QYearMonthCalendarModel(QYearMonthCalendarView* view, QObject* parent)
    : QAbstractTableModel(parent), m_shownYear(QDate::currentDate().year()), m_shownMonth(QDate::currentDate().month()),
      m_firstDay(QLocale().firstDayOfWeek()), m_view(view)
{
}

int QYearMonthCalendarModel::gridType() const
{
    return m_view ? m_view->calendarType() : CalendarGrid::Days;
}

int QYearMonthCalendarModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return gridType() == CalendarGrid::Days ? kDayRows : kSmallRows;
}

int QYearMonthCalendarModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return gridType() == CalendarGrid::Days ? kDayColumns : kSmallColumns;
}

QString QYearMonthCalendarModel::weekdayName(int column) const
{
    int day = column + m_firstDay;
    if (day > 7)
        day -= 7;
    const QLocale locale = m_view ? m_view->locale() : QLocale();
    const QString standalone = locale.standaloneDayName(day, QLocale::NarrowFormat);
    if (standalone != locale.dayName(day, QLocale::NarrowFormat))
        return standalone;
    if (standalone.size() == 2)
        return standalone.right(1);
    return standalone.left(1);
}

QVariant QYearMonthCalendarModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return QVariant();

    const int row = index.row();
    const int column = index.column();
    switch (gridType()) {
    case CalendarGrid::Decade: {
        const int year = yearForCell(row, column);
        return year ? QVariant(year) : QVariant();
    }
    case CalendarGrid::Months: {
        const QLocale locale = m_view ? m_view->locale() : QLocale();
        return locale.standaloneMonthName(row * kSmallColumns + column + 1, QLocale::LongFormat);
    }
    default:
        if (row == 0)
            return weekdayName(column);
        const QDate date = dateForCell(row, column);
        return date.isValid() ? QVariant(date.day()) : QVariant();
    }
}

Qt::ItemFlags QYearMonthCalendarModel::flags(const QModelIndex& index) const
{
    switch (gridType()) {
    case CalendarGrid::Days: {
        const QDate date = dateForCell(index.row(), index.column());
        if (date.isValid() && !isInRange(date))
            return Qt::NoItemFlags;
        break;
    }
    case CalendarGrid::Decade:
        if (index.row() * kSmallColumns + index.column() >= kYearsInDecade)
            return Qt::NoItemFlags;
        break;
    default: break;
    }
    return QAbstractTableModel::flags(index);
}

bool QYearMonthCalendarModel::insertRows(int row, int count, const QModelIndex& parent)
{
    beginInsertRows(parent, row, row + count - 1);
    endInsertRows();
    return true;
}

bool QYearMonthCalendarModel::insertColumns(int column, int count, const QModelIndex& parent)
{
    beginInsertColumns(parent, column, column + count - 1);
    endInsertColumns();
    return true;
}

bool QYearMonthCalendarModel::removeRows(int row, int count, const QModelIndex& parent)
{
    beginRemoveRows(parent, row, row + count - 1);
    endRemoveRows();
    return true;
}

bool QYearMonthCalendarModel::removeColumns(int column, int count, const QModelIndex& parent)
{
    beginRemoveColumns(parent, column, column + count - 1);
    endRemoveColumns();
    return true;
}

QDate QYearMonthCalendarModel::referenceDate() const
{
    for (int day = 1; day <= 31; ++day) {
        const QDate date(m_shownYear, m_shownMonth, day);
        if (date.isValid())
            return date;
    }
    return QDate();
}

int QYearMonthCalendarModel::columnForDayOfWeek(int dayOfWeek) const
{
    const int column = dayOfWeek - m_firstDay;
    return column < 0 ? column + 7 : column;
}

int QYearMonthCalendarModel::columnForFirstOfMonth(const QDate& date) const
{
    return (columnForDayOfWeek(date.dayOfWeek()) - (date.day() % 7) + 8) % 7;
}

QDate QYearMonthCalendarModel::dateForCell(int row, int column) const
{
    if (row < 1 || row >= kDayRows || column < 0 || column >= kDayColumns)
        return QDate();
    const QDate reference = referenceDate();
    if (!reference.isValid())
        return QDate();
    const int firstColumn = columnForFirstOfMonth(reference);
    // A month starting in the first column would leave row 1 without any of its
    // days, so the previous month's last week goes there instead.
    const int week = firstColumn == 0 ? row - 2 : row - 1;
    return reference.addDays(7 * week + column - firstColumn - reference.day() + 1);
}

void QYearMonthCalendarModel::cellForDate(const QDate& date, int* row, int* column) const
{
    *row = -1;
    *column = -1;
    if (!date.isValid())
        return;
    switch (gridType()) {
    case CalendarGrid::Decade: {
        const int offset = date.year() - m_shownYear / kYearsInDecade * kYearsInDecade;
        if (offset < 0 || offset >= kYearsInDecade)
            return;
        *row = offset / kSmallColumns;
        *column = offset % kSmallColumns;
        return;
    }
    case CalendarGrid::Months:
        if (date.year() != m_shownYear)
            return;
        *row = (date.month() - 1) / kSmallColumns;
        *column = (date.month() - 1) % kSmallColumns;
        return;
    default: break;
    }

    const QDate reference = referenceDate();
    if (!reference.isValid())
        return;
    const int firstColumn = columnForFirstOfMonth(reference);
    const qint64 position = reference.daysTo(date) + firstColumn + reference.day() - 1;
    qint64 c = position % 7;
    qint64 r = position / 7;
    if (c < 0) {
        c += 7;
        r -= 1;
    }
    if (firstColumn == 0)
        r += 1;
    if (r < 0 || r >= kDayRows - 1)
        return;
    *row = int(r) + 1;
    *column = int(c);
}

QModelIndex QYearMonthCalendarModel::indexForDate(const QDate& date) const
{
    int row;
    int column;
    cellForDate(date, &row, &column);
    return row < 0 ? QModelIndex() : index(row, column);
}

int QYearMonthCalendarModel::yearForCell(int row, int column) const
{
    const int offset = row * kSmallColumns + column;
    if (offset < 0 || offset >= kYearsInDecade)
        return 0;
    return m_shownYear / kYearsInDecade * kYearsInDecade + offset;
}

bool QYearMonthCalendarModel::isInRange(const QDate& date) const
{
    return date >= m_minimumDate && date <= m_maximumDate;
}

void QYearMonthCalendarModel::setSelectedDate(const QDate& date)
{
    m_selectedDate = date.isValid() ? qBound(m_minimumDate, date, m_maximumDate) : date;
}

void QYearMonthCalendarModel::setMinimumDate(const QDate& date)
{
    if (!date.isValid() || date == m_minimumDate)
        return;
    m_minimumDate = date;
    if (m_maximumDate < date)
        m_maximumDate = date;
    if (m_selectedDate.isValid() && m_selectedDate < date)
        m_selectedDate = date;
    refresh();
}

void QYearMonthCalendarModel::setMaximumDate(const QDate& date)
{
    if (!date.isValid() || date == m_maximumDate)
        return;
    m_maximumDate = date;
    if (m_minimumDate > date)
        m_minimumDate = date;
    if (m_selectedDate.isValid() && m_selectedDate > date)
        m_selectedDate = date;
    refresh();
}

void QYearMonthCalendarModel::setRange(const QDate& min, const QDate& max)
{
    m_minimumDate = qMin(min, max);
    m_maximumDate = qMax(min, max);
    if (m_selectedDate.isValid())
        m_selectedDate = qBound(m_minimumDate, m_selectedDate, m_maximumDate);
    refresh();
}

void QYearMonthCalendarModel::setShownYearMonth(int year, int month, bool refreshNow)
{
    m_shownYear = year;
    m_shownMonth = month;
    if (refreshNow)
        refresh();
}

void QYearMonthCalendarModel::stepDecade(bool forward)
{
    setShownYearMonth(m_shownYear + (forward ? kYearsInDecade : -kYearsInDecade), m_shownMonth);
}

void QYearMonthCalendarModel::setFirstDayOfWeek(Qt::DayOfWeek day)
{
    m_firstDay = day;
    if (gridType() == CalendarGrid::Days)
        refresh();
}

void QYearMonthCalendarModel::refresh()
{
    const int rows = rowCount();
    const int columns = columnCount();
    emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
    emit headerDataChanged(Qt::Vertical, 0, rows - 1);
    emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
}
