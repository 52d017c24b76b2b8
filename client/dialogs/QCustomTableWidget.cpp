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
    // The table's base destructor clears its model, which reports the rows
    // going: by then this part of the object, the bit array with it, is gone.
    disconnect(model(), nullptr, this, nullptr);
    disconnect(this, &QTableWidget::itemChanged, this, nullptr);
}

void QCustomTableWidget::init()
{
    // A table built with rows has them before the row-count signal below is
    // connected: the bit array starts at that size so that every row has its bit.
    m_checkedRows.resize(rowCount());

    setItemDelegate(new QTableItemDelegate(this));
    auto* header = new QClickabledHeaderView(Qt::Horizontal, this);
    // Clickable as the header the table makes for itself.
    header->setSectionsClickable(true);
    setHorizontalHeader(header);
    connect(
        header, &QClickabledHeaderView::headerCheckBoxToggled, this,
        [this](bool checked) { SetAllRowsChecked(checked); }, Qt::AutoConnection);
    connect(
        verticalHeader(), &QHeaderView::sectionCountChanged, this,
        [this](int, int newCount) { m_checkedRows.resize(newCount); }, Qt::AutoConnection);
    connect(
        this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { TrackRowCheck(item); },
        Qt::AutoConnection);

    // Inserting, removing or sorting rows moves them away from their bits:
    // the bits are read again from the items so that they keep naming rows.
    QAbstractItemModel* rows = model();
    const auto reread = [this] { RereadRowChecks(); };
    connect(rows, &QAbstractItemModel::rowsInserted, this, reread, Qt::AutoConnection);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, reread, Qt::AutoConnection);
    connect(rows, &QAbstractItemModel::rowsMoved, this, reread, Qt::AutoConnection);
    connect(rows, &QAbstractItemModel::layoutChanged, this, reread, Qt::AutoConnection);
    connect(rows, &QAbstractItemModel::modelReset, this, reread, Qt::AutoConnection);
}

void QCustomTableWidget::RereadRowChecks()
{
    m_checkedRows.fill(false, rowCount());
    for (int row = 0; row < rowCount(); ++row) {
        const QTableWidgetItem* first = item(row, 0);
        m_checkedRows.setBit(row, first && first->data(Qt::CheckStateRole).toInt() == Qt::Checked &&
                                      !first->data(Qt::CheckStateRole).isNull());
    }
    // An emptied table (a new search) starts with the header box clear.
    if (auto* header = qobject_cast<QClickabledHeaderView*>(horizontalHeader()))
        header->setChecked(rowCount() > 0 && m_checkedRows.count(true) == rowCount());
}

void QCustomTableWidget::setFirstColCheckable(bool checkable)
{
    if (auto* header = qobject_cast<QClickabledHeaderView*>(horizontalHeader()))
        header->setCheckable(checkable);
}

QVector<int> QCustomTableWidget::getCheckedRows()
{
    QVector<int> rows;
    for (int row = 0; row < m_checkedRows.size(); ++row)
        if (m_checkedRows.testBit(row))
            rows.append(row);
    return rows;
}

void QCustomTableWidget::SetAllRowsChecked(bool checked)
{
    for (int row = 0; row < rowCount(); ++row)
        if (QTableWidgetItem* first = item(row, 0))
            first->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void QCustomTableWidget::TrackRowCheck(QTableWidgetItem* item)
{
    if (!item || !item->tableWidget() || item->column() != 0)
        return;
    const QVariant state = item->data(Qt::CheckStateRole);
    const bool checked = state.isValid() && !state.isNull() && state.toInt() == Qt::Checked;
    const int row = item->row();
    if (row >= m_checkedRows.size())
        m_checkedRows.resize(rowCount());
    m_checkedRows.setBit(row, checked);
    UpdateHeaderCheck();
}

void QCustomTableWidget::UpdateHeaderCheck()
{
    if (auto* header = qobject_cast<QClickabledHeaderView*>(horizontalHeader()))
        header->setChecked(m_checkedRows.count(true) == rowCount());
}
