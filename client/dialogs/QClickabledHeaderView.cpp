#include "QClickabledHeaderView.h"

#include "CheckBoxGeometry.h"

#include <QCheckBox>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

QClickabledHeaderView::QClickabledHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
}

void QClickabledHeaderView::setCheckable(bool checkable)
{
    if (checkable == m_bCheckable)
        return;
    m_bCheckable = checkable;
    updateSection(0);
}

void QClickabledHeaderView::setChecked(bool checked)
{
    if (checked == m_bChecked)
        return;
    m_bChecked = checked;
    updateSection(0);
}

void QClickabledHeaderView::setLineColor(const QColor& color)
{
    if (color == m_lineColor)
        return;
    m_lineColor = color;
    viewport()->update();
}

QRect QClickabledHeaderView::checkBoxRect(const QRect& sectionRect) const
{
    return CentredCheckBoxRect(style(), sectionRect);
}

void QClickabledHeaderView::mousePressEvent(QMouseEvent* event)
{
    if (isEnabled() && m_bCheckable && logicalIndexAt(event->pos()) == 0) {
        m_bChecked = !m_bChecked;
        updateSection(0);
        emit headerCheckBoxToggled(m_bChecked);
        return;
    }
    QHeaderView::mousePressEvent(event);
}

void QClickabledHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();

    if (orientation() != Qt::Horizontal)
        return;

    if (logicalIndex == 0 && m_bCheckable) {
        QStyleOptionButton option;
        if (isEnabled())
            option.state |= QStyle::State_Enabled;
        option.state |= m_bChecked ? QStyle::State_On : QStyle::State_Off;
        const QPoint cursor = viewport()->mapFromGlobal(QCursor::pos());
        if (cursor.y() >= 0 && cursor.y() < height() && logicalIndexAt(cursor) == 0)
            option.state |= QStyle::State_MouseOver;
        option.rect = checkBoxRect(rect);
        QCheckBox look;
        style()->drawControl(QStyle::CE_CheckBox, &option, painter, &look);
    }

    const bool lastSection = sectionPosition(logicalIndex) + sectionSize(logicalIndex) == length();
    if (!lastSection) {
        const int fontHeight = painter->fontMetrics().height();
        const int top = rect.top() + (rect.height() - fontHeight) / 2;
        painter->save();
        painter->setPen(m_lineColor);
        painter->drawLine(rect.right(), top, rect.right(), top + fontHeight);
        painter->restore();
    }
}
