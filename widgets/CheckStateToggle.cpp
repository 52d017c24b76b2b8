#include "CheckStateToggle.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QStyleOptionViewItem>

namespace CheckStateToggle {

bool isToggleable(const QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const Qt::ItemFlags flags = model->flags(index);
    return (flags & Qt::ItemIsUserCheckable) && (flags & Qt::ItemIsEnabled) && (option.state & QStyle::State_Enabled) &&
           index.data(Qt::CheckStateRole).isValid();
}

bool isToggleKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Space || key == Qt::Key_Select;
}

bool toggle(QAbstractItemModel* model, const QModelIndex& index)
{
    const int current = index.data(Qt::CheckStateRole).toInt();
    int next = current == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    if (model->flags(index) & Qt::ItemIsUserTristate)
        next = (current + 1) % 3;
    return model->setData(index, next, Qt::CheckStateRole);
}

} // namespace CheckStateToggle
