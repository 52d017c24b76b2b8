#pragma once

#include <QItemDelegate>

class QYearMonthCalendarView;

// Paints the cells of a calendar grid: today, the selection, the hovered cell,
// days of neighbouring months and days outside the allowed range.
class QYearMonthCalendarDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    QYearMonthCalendarDelegate(QYearMonthCalendarView* view, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void drawDisplay(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                     const QString& text) const override;

private:
    void paintDay(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintMonthOrYear(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    QYearMonthCalendarView* m_view;
};
