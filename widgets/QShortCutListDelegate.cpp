#include "QShortCutListDelegate.h"

#include <QPainter>

QShortCutListDelegate::QShortCutListDelegate(QObject* parent) : QItemDelegate(parent)
{
}

void QShortCutListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, QColor(221, 240, 248));
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(option.rect.adjusted(15, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize QShortCutListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(0, 32);
}
