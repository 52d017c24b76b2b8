#pragma once

#include <QColor>
#include <QHeaderView>

// Horizontal header of QCustomTableWidget: a check box in section 0 that
// checks or unchecks every row, division lines between the other sections and
// clickable sort arrows on the sections the caller made orderable.
class QClickabledHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    // Header-data role under which a section keeps its sort order (0 ascending,
    // 1 descending); a section without it is not orderable.
    static constexpr int SortRole = Qt::UserRole + 10;

    explicit QClickabledHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

    int checkState() const { return m_checkState; }
    void setCheckState(int state);
    bool isCheckable() const { return m_checkable; }
    void setCheckable(bool checkable);
    // A height of -1 means the height of the painter's font.
    void setDivisionLine(int height, const QColor& color);

signals:
    void headerCheckBoxToggled(bool bcheck);
    void sectionOrderChanged(int column, int newOrder);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    bool isOrderable(int section) const;
    bool toggleCheckBoxAt(const QPoint& pos);
    void flipOrderAt(const QPoint& pos);
    void paintCheckBox(QPainter* painter, const QRect& rect) const;
    void paintDivisionLine(QPainter* painter, const QRect& rect) const;
    void paintSortArrow(QPainter* painter, const QRect& rect, int section) const;

    bool m_checkable = true;
    int m_checkState = Qt::Unchecked;
    QColor m_divisionColor{219, 219, 231};
    int m_divisionHeight = -1;
};
