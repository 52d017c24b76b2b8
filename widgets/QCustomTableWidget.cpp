#include "QCustomTableWidget.h"

#include "QClickabledHeaderView.h"
#include "QTableItemDelegate.h"

QCustomTableWidget::QCustomTableWidget(QWidget* parent) : QTableWidget(parent)
{
    init();
}

QCustomTableWidget::QCustomTableWidget(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
{
    init();
}

QCustomTableWidget::~QCustomTableWidget()
{
    // The base class clears its model while it is destroyed: the bookkeeping must not hear of it.
    for (const QMetaObject::Connection& connection : qAsConst(m_modelConnections))
        disconnect(connection);
}

void QCustomTableWidget::init()
{
    setAlternatingRowColors(true);
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->setHidden(true);
    setItemDelegate(new QTableItemDelegate(this));
    auto* header = new QClickabledHeaderView(Qt::Horizontal, this);
    setHorizontalHeader(header);

    connect(header, &QClickabledHeaderView::headerCheckBoxToggled, this, &QCustomTableWidget::setAllRowsChecked);
    connect(header, &QClickabledHeaderView::sectionOrderChanged, this,
            &QCustomTableWidget::HorizontalHeaderSectionOrderChanged);

    // The bits are kept per row index, so every change that moves rows (insertion
    // or removal in the middle, sorting) re-reads them from the items.
    QAbstractItemModel* m = model();
    const auto rebuild = [this] { rebuildCheckedRows(); };
    m_modelConnections = {
        connect(m, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    if (topLeft.column() == 0)
                        updateCheckedRows(topLeft.row(), bottomRight.row());
                }),
        connect(m, &QAbstractItemModel::rowsInserted, this, rebuild),
        connect(m, &QAbstractItemModel::rowsRemoved, this, rebuild),
        connect(m, &QAbstractItemModel::rowsMoved, this, rebuild),
        connect(m, &QAbstractItemModel::layoutChanged, this, rebuild),
        connect(m, &QAbstractItemModel::modelReset, this, rebuild),
    };
    rebuildCheckedRows();
}

QClickabledHeaderView* QCustomTableWidget::clickableHeader() const
{
    return qobject_cast<QClickabledHeaderView*>(horizontalHeader());
}

void QCustomTableWidget::enableColumnOrder(int column, Qt::SortOrder order)
{
    // The table keeps header data only in header items; without one the order would be lost.
    if (column >= 0 && column < columnCount() && !horizontalHeaderItem(column))
        setHorizontalHeaderItem(column, new QTableWidgetItem(QString::number(column + 1)));
    model()->setHeaderData(column, Qt::Horizontal, static_cast<int>(order), QClickabledHeaderView::SortRole);
}

QVector<int> QCustomTableWidget::getCheckedRows() const
{
    QVector<int> rows;
    for (int row = 0; row < m_checkedRows.size(); ++row) {
        if (m_checkedRows.testBit(row))
            rows.append(row);
    }
    return rows;
}

void QCustomTableWidget::setDivisionLine(int height, const QColor& color)
{
    if (QClickabledHeaderView* header = clickableHeader())
        header->setDivisionLine(height, color);
}

void QCustomTableWidget::setFirstColCheckable(bool checkable)
{
    if (QClickabledHeaderView* header = clickableHeader())
        header->setCheckable(checkable);
}

void QCustomTableWidget::setAllRowsChecked(bool checked)
{
    m_checkingAll = true;
    for (int row = 0; row < rowCount(); ++row) {
        // A row without a first-column item has no check box to set.
        if (QTableWidgetItem* first = item(row, 0))
            first->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    m_checkingAll = false;
    updateHeaderCheckState();
}

void QCustomTableWidget::updateCheckedRows(int first, int last)
{
    m_checkedRows.resize(rowCount());
    for (int row = first; row <= last && row < m_checkedRows.size(); ++row) {
        const QTableWidgetItem* cell = item(row, 0);
        m_checkedRows.setBit(row, cell && cell->data(Qt::CheckStateRole).toInt() == Qt::Checked);
    }
    if (!m_checkingAll)
        updateHeaderCheckState();
}

void QCustomTableWidget::rebuildCheckedRows()
{
    m_checkedRows.fill(false, rowCount());
    updateCheckedRows(0, rowCount() - 1);
}

void QCustomTableWidget::updateHeaderCheckState()
{
    QClickabledHeaderView* header = clickableHeader();
    if (!header)
        return;
    int rowsWithCheckBox = 0;
    for (int row = 0; row < rowCount(); ++row)
        rowsWithCheckBox += item(row, 0) ? 1 : 0;
    const int checked = m_checkedRows.count(true);
    if (checked == 0)
        header->setCheckState(Qt::Unchecked);
    else if (checked == rowsWithCheckBox)
        header->setCheckState(Qt::Checked);
    else
        header->setCheckState(Qt::PartiallyChecked);
}
