#include "QYearMonthCalendarView.h"

#include "CalendarGrid.h"
#include "QYearMonthCalendarDelegate.h"
#include "QYearMonthCalendarModel.h"

#include <QHeaderView>
#include <QMouseEvent>

QYearMonthCalendarView::QYearMonthCalendarView(QWidget* parent)
    : QTableView(parent), m_calendarType(CalendarGrid::Decade)
{
    setTabKeyNavigation(false);
    setShowGrid(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Stretch);
        header->setSectionsClickable(false);
        header->setMinimumSectionSize(32);
        header->setDefaultSectionSize(32);
    }
    m_model = new QYearMonthCalendarModel(this, this);
    setModel(m_model);
    setItemDelegate(new QYearMonthCalendarDelegate(this, this));
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->setAttribute(Qt::WA_Hover);
}

int QYearMonthCalendarView::calendarType() const
{
    return m_calendarType;
}

void QYearMonthCalendarView::initCalendarType(int type)
{
    // The headers learn the grid's shape only from a reset; without one, a view
    // made for a smaller grid would have no columns 4 to 6.
    const bool shapeChanges = (type == CalendarGrid::Days) != (m_calendarType == CalendarGrid::Days);
    if (shapeChanges)
        m_model->beginShapeChange();
    m_calendarType = type;
    if (shapeChanges)
        m_model->endShapeChange();
}

QColor QYearMonthCalendarView::textColorHover() const
{
    return m_textColorHover;
}

void QYearMonthCalendarView::setTextColorHover(const QColor& color)
{
    if (color == m_textColorHover)
        return;
    m_textColorHover = color;
    viewport()->update();
}

QYearMonthCalendarModel* QYearMonthCalendarView::calendarModel() const
{
    return m_model;
}

QSize QYearMonthCalendarView::viewportSizeHint() const
{
    return QSize(224, 224);
}

void QYearMonthCalendarView::slotCalendarChanged(int oldType, int newType)
{
    const bool shapeChanges = oldType == CalendarGrid::Days || newType == CalendarGrid::Days;
    if (shapeChanges)
        m_model->beginShapeChange();
    m_calendarType = newType;
    if (shapeChanges)
        m_model->endShapeChange();
    viewport()->update();
}

QDate QYearMonthCalendarView::handleMouseEvent(QMouseEvent* event) const
{
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        return QDate();
    const QDate date = m_model->dateForCell(index.row(), index.column());
    return m_model->isInRange(date) ? date : QDate();
}

bool QYearMonthCalendarView::swallows(QMouseEvent* event) const
{
    return m_calendarType == CalendarGrid::Days && !handleMouseEvent(event).isValid();
}

void QYearMonthCalendarView::mousePressEvent(QMouseEvent* event)
{
    if (!swallows(event))
        QTableView::mousePressEvent(event);
}

void QYearMonthCalendarView::mouseMoveEvent(QMouseEvent* event)
{
    if (!swallows(event))
        QTableView::mouseMoveEvent(event);
}

void QYearMonthCalendarView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!swallows(event))
        QTableView::mouseReleaseEvent(event);
}
