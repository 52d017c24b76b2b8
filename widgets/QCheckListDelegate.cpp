#include "QCheckListDelegate.h"

#include <QKeyEvent>
#include <QMouseEvent>

void QCheckListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    cell.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
    QStyledItemDelegate::paint(painter, cell, index);
}

QSize QCheckListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {100, 30};
}

bool QCheckListDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    const Qt::ItemFlags flags = model->flags(index);
    const QVariant state = index.data(Qt::CheckStateRole);
    if (!(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled) || !(option.state & QStyle::State_Enabled)
        || !state.isValid())
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->pos()))
            return false;
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }
    int next = state.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    if (flags & Qt::ItemIsUserTristate)
        next = (state.toInt() + 1) % 3;
    return model->setData(index, next, Qt::CheckStateRole);
}
