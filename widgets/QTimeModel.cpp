#include "QTimeModel.h"

QTimeModel::QTimeModel(int count, QObject* parent) : QAbstractListModel(parent), m_count(count)
{
}

int QTimeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_count + kRowsAbove + kRowsBelow;
}

bool QTimeModel::holdsValue(int row) const
{
    return row >= kRowsAbove && row < kRowsAbove + m_count;
}

QVariant QTimeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role == Qt::DisplayRole && holdsValue(index.row()))
        return QString::asprintf("%02d", index.row() - kRowsAbove);
    return QVariant();
}

Qt::ItemFlags QTimeModel::flags(const QModelIndex& index) const
{
    return holdsValue(index.row()) ? QAbstractListModel::flags(index) : Qt::NoItemFlags;
}
