#include "QTableItemDelegate.h"

#include "CheckIndicatorGeometry.h"
#include "CheckStateToggle.h"

#include <QApplication>
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
    case Qt::Checked: return QStyle::State_On;
    case Qt::PartiallyChecked: return QStyle::State_NoChange;
    default: return QStyle::State_Off;
    }
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
    indicator.rect = centredCheckIndicatorRect(option.rect, style);
    indicator.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
    indicator.state |= indicatorState(index.data(Qt::CheckStateRole).toInt());
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &indicator, painter, option.widget);
}

bool QTableItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    if (!CheckStateToggle::isToggleable(model, option, index))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // Only on the centred indicator: a click elsewhere selects the row.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QRect box = centredCheckIndicatorRect(option.rect, styleFor(option));
        if (mouse->button() != Qt::LeftButton || !box.contains(mouse->pos()))
            return false;
        if (event->type() != QEvent::MouseButtonRelease)
            return true;
        return CheckStateToggle::toggle(model, index);
    }
    default: return CheckStateToggle::isToggleKey(event) && CheckStateToggle::toggle(model, index);
    }
}
