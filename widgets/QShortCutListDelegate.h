#pragma once

#include <QItemDelegate>

// Rows of the shortcut list: 32 pixels high, text indented, hover shaded,
// no selection or focus marks.
class QShortCutListDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit QShortCutListDelegate(QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
