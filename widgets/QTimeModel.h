#pragma once

#include <QAbstractListModel>

// The values 0 to count - 1 of one time column, as "%02d", between three empty
// rows above and two below, so that the first and last values can scroll into
// the picker's band.
class QTimeModel : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int kRowsAbove = 3;
    static constexpr int kRowsBelow = 2;

    QTimeModel(int count, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    bool holdsValue(int row) const;

    int m_count;
};
