#pragma once

#include <QStyledItemDelegate>

// Cells of QCustomTableWidget: no focus frame anywhere, and the check box of a
// checkable first-column cell drawn alone, centred, and toggled by a click on it.
class QTableItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};
