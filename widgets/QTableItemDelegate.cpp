#include "QTableItemDelegate.h"

#include "CheckIndicatorGeometry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
bool isCheckBoxCell(const QModelIndex& index)
{
    const QVariant state = index.data(Qt::CheckStateRole);
    return index.column() == 0 && (index.flags() & Qt::ItemIsUserCheckable) && state.isValid() && !state.isNull();
}

const QStyle* styleFor(const QStyleOptionViewItem& option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

QStyle::State indicatorState(int checkState)
{
    switch (checkState) {
    case Qt::Checked:
        return QStyle::State_On;
    case Qt::PartiallyChecked:
        return QStyle::State_NoChange;
    default:
        return QStyle::State_Off;
    }
}

int nextCheckState(int current, Qt::ItemFlags flags)
{
    if (flags & Qt::ItemIsUserTristate)
        return (current + 1) % 3;
    return current == Qt::Checked ? Qt::Unchecked : Qt::Checked;
}
} // namespace

void QTableItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    cell.state &= ~QStyle::State_HasFocus;
    if (!isCheckBoxCell(index)) {
        QStyledItemDelegate::paint(painter, cell, index);
        return;
    }
    const QStyle* style = styleFor(option);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, option.widget);

    QStyleOptionViewItem indicator(cell);
    indicator.rect = centredCheckIndicatorRect(option.rect, QApplication::style());
    indicator.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
    indicator.state |= indicatorState(index.data(Qt::CheckStateRole).toInt());
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &indicator, painter, option.widget);
}

bool QTableItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    const Qt::ItemFlags flags = model->flags(index);
    const QVariant state = index.data(Qt::CheckStateRole);
    if (!(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled) || !(option.state & QStyle::State_Enabled)
        || !state.isValid())
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QRect box = centredCheckIndicatorRect(option.rect, QApplication::style());
        if (mouse->button() != Qt::LeftButton || !box.contains(mouse->pos()))
            return false;
        if (event->type() != QEvent::MouseButtonRelease)
            return true;
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
    return model->setData(index, nextCheckState(state.toInt(), flags), Qt::CheckStateRole);
}
