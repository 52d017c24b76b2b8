#include "QCheckListDelegate.h"

#include "CheckStateToggle.h"

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
    if (!CheckStateToggle::isToggleable(model, option, index))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease: {
        // Anywhere on the cell, not only on the indicator.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->pos()))
            return false;
        return CheckStateToggle::toggle(model, index);
    }
    default: return CheckStateToggle::isToggleKey(event) && CheckStateToggle::toggle(model, index);
    }
}
