#include "QClickabledHeaderView.h"

#include "CheckIndicatorGeometry.h"
#include "ScaledPicture.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionButton>

QClickabledHeaderView::QClickabledHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
    setMouseTracking(true);
}

void QClickabledHeaderView::setCheckState(int state)
{
    if (state == m_checkState)
        return;
    m_checkState = state;
    updateSection(0);
}

void QClickabledHeaderView::setCheckable(bool checkable)
{
    if (checkable == m_checkable)
        return;
    m_checkable = checkable;
    updateSection(0);
}

void QClickabledHeaderView::setDivisionLine(int height, const QColor& color)
{
    if (height == m_divisionHeight && color == m_divisionColor)
        return;
    m_divisionHeight = height;
    m_divisionColor = color;
    viewport()->update();
}

bool QClickabledHeaderView::isOrderable(int section) const
{
    return section >= 0 && model() && model()->headerData(section, orientation(), SortRole).isValid();
}

bool QClickabledHeaderView::toggleCheckBoxAt(const QPoint& pos)
{
    if (!isEnabled() || !m_checkable || logicalIndexAt(pos) != 0 || !model() || model()->rowCount() < 1)
        return false;
    m_checkState = m_checkState == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    updateSection(0);
    emit headerCheckBoxToggled(m_checkState == Qt::Checked);
    return true;
}

void QClickabledHeaderView::flipOrderAt(const QPoint& pos)
{
    const int section = logicalIndexAt(pos);
    if (!isOrderable(section))
        return;
    const int order = model()->headerData(section, orientation(), SortRole).toInt() == 0 ? 1 : 0;
    model()->setHeaderData(section, orientation(), order, SortRole);
    emit sectionOrderChanged(section, order);
}

void QClickabledHeaderView::mousePressEvent(QMouseEvent* event)
{
    if (toggleCheckBoxAt(event->pos()))
        return;
    flipOrderAt(event->pos());
    QHeaderView::mousePressEvent(event);
}

void QClickabledHeaderView::mouseMoveEvent(QMouseEvent* event)
{
    unsetCursor();
    QHeaderView::mouseMoveEvent(event);
    // Over a resize handle the base class chose its own cursor.
    if (testAttribute(Qt::WA_SetCursor))
        return;
    if (isOrderable(logicalIndexAt(event->pos())))
        setCursor(Qt::PointingHandCursor);
}

void QClickabledHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (orientation() != Qt::Horizontal)
        return;
    if (logicalIndex == 0) {
        if (m_checkable)
            paintCheckBox(painter, rect);
    } else {
        paintDivisionLine(painter, rect);
    }
    if (isOrderable(logicalIndex))
        paintSortArrow(painter, rect, logicalIndex);
}

void QClickabledHeaderView::paintCheckBox(QPainter* painter, const QRect& rect) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.state = isEnabled() ? QStyle::State_Enabled : QStyle::State_None;
    if (m_checkState == Qt::Checked)
        option.state |= QStyle::State_On;
    else if (m_checkState == Qt::PartiallyChecked)
        option.state |= QStyle::State_NoChange;
    else
        option.state |= QStyle::State_Off;
    const QPoint cursor = viewport()->mapFromGlobal(QCursor::pos());
    if (cursor.y() >= 0 && cursor.y() < viewport()->height() && logicalIndexAt(cursor) == 0)
        option.state |= QStyle::State_MouseOver;
    option.rect = centredCheckIndicatorRect(rect, style());
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter, this);
}

void QClickabledHeaderView::paintDivisionLine(QPainter* painter, const QRect& rect) const
{
    const int height = m_divisionHeight == -1 ? painter->fontMetrics().height() : m_divisionHeight;
    const int top = rect.top() + (rect.height() - height) / 2;
    painter->save();
    painter->setPen(m_divisionColor);
    painter->drawLine(rect.left(), top, rect.left(), top + height);
    painter->restore();
}

void QClickabledHeaderView::paintSortArrow(QPainter* painter, const QRect& rect, int section) const
{
    const bool descending = model()->headerData(section, orientation(), SortRole).toInt() != 0;
    const QPixmap arrow = ScaledPicture::load(descending ? QStringLiteral(":/images/HeaderDescendingOrder.png")
                                                         : QStringLiteral(":/images/HeaderAscendingOrder.png"),
                                              this);
    if (arrow.isNull())
        return;
    const QSize size = arrow.size() / arrow.devicePixelRatioF();
    painter->drawPixmap(rect.right() - size.width() - 4, (height() - size.height()) / 2, arrow);
}
