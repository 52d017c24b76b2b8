#pragma once

#include <QItemDelegate>

// Rows of a time column: 35 pixels high, except a 17-pixel second filler row
// that puts the value at scroll position 0 exactly into the band.
class QScrollTimeDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kRowHeight = 35;

    explicit QScrollTimeDelegate(QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
