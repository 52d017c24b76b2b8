#pragma once

#include <QBitArray>
#include <QTableWidget>

class QClickabledHeaderView;

// Flat list table with whole-row single selection, a check box in the first
// column of every row, a header check box that checks or unchecks all rows,
// and clickable sort arrows on the columns made orderable. The table sorts
// nothing itself: it reports the flipped order and the caller re-reads its data.
class QCustomTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    explicit QCustomTableWidget(QWidget* parent = nullptr);
    QCustomTableWidget(int rows, int columns, QWidget* parent = nullptr);
    ~QCustomTableWidget() override;

    // Makes the column orderable and shows the arrow of `order`.
    void enableColumnOrder(int column, Qt::SortOrder order);
    // Rows whose first-column item is checked, ascending.
    QVector<int> getCheckedRows() const;
    void setDivisionLine(int height, const QColor& color);
    void setFirstColCheckable(bool checkable);

signals:
    void HorizontalHeaderSectionOrderChanged(int col, int newOrd);

private:
    void init();
    QClickabledHeaderView* clickableHeader() const;
    void setAllRowsChecked(bool checked);
    void updateCheckedRows(int first, int last);
    void rebuildCheckedRows();
    void updateHeaderCheckState();

    // Bit i: the item in row i, column 0 is checked.
    QBitArray m_checkedRows;
    bool m_checkingAll = false;
    QVector<QMetaObject::Connection> m_modelConnections;
};
