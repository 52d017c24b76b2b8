#pragma once

#include <QStyledItemDelegate>

// Draws the check boxes of a table's first column centred in their cells
// (without text) and toggles them on a click in the box or Space; no cell
// draws a focus frame.
class QTableItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit QTableItemDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QRect checkBoxRect(const QRect& cellRect) const;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    static bool Toggle(QAbstractItemModel* model, const QModelIndex& index);
};
