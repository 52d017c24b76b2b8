#include "QTableItemDelegate.h"

#include "CheckBoxGeometry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

QTableItemDelegate::QTableItemDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
}

QRect QTableItemDelegate::checkBoxRect(const QRect& cellRect) const
{
    return CentredCheckBoxRect(QApplication::style(), cellRect);
}

bool QTableItemDelegate::Toggle(QAbstractItemModel* model, const QModelIndex& index)
{
    const int state = index.data(Qt::CheckStateRole).toInt();
    int next;
    // Qt::ItemIsTristate is the old name of the automatic kind; an item the
    // user may set to partly checked cycles through the three states as well.
    if (model->flags(index) & (Qt::ItemIsAutoTristate | Qt::ItemIsUserTristate))
        next = (state + 1) % 3;
    else
        next = state == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    return model->setData(index, next, Qt::CheckStateRole);
}

bool QTableItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    const Qt::ItemFlags flags = model->flags(index);
    if (!(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled) || !(option.state & QStyle::State_Enabled) ||
        !index.data(Qt::CheckStateRole).isValid())
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        QStyleOptionViewItem copy(option);
        initStyleOption(&copy, index);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !checkBoxRect(copy.rect).contains(mouse->pos()))
            return false;
        // The press and double-click are taken so the view does not act on
        // them; the box changes on the release, as a check box does.
        if (event->type() != QEvent::MouseButtonRelease)
            return true;
        return Toggle(model, index);
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        return Toggle(model, index);
    }
    default: return false;
    }
}

void QTableItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;

    const QVariant check = index.data(Qt::CheckStateRole);
    const bool checkCell =
        index.column() == 0 && (index.flags() & Qt::ItemIsUserCheckable) && check.isValid() && !check.isNull();
    if (!checkCell) {
        QStyledItemDelegate::paint(painter, plain, index);
        return;
    }
    QStyle* style = plain.widget ? plain.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &plain, painter, plain.widget);
    QStyleOptionViewItem box(plain);
    box.rect = checkBoxRect(option.rect);
    switch (check.toInt()) {
    case Qt::Unchecked: box.state |= QStyle::State_Off; break;
    case Qt::PartiallyChecked: box.state |= QStyle::State_NoChange; break;
    default: box.state |= QStyle::State_On; break;
    }
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, plain.widget);
}
