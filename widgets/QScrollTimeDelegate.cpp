#include "QScrollTimeDelegate.h"

#include <QAbstractItemView>
#include <QPainter>

namespace {
const QColor kHoverFill(214, 238, 248);
}

QScrollTimeDelegate::QScrollTimeDelegate(QObject* parent) : QItemDelegate(parent)
{
}

QSize QScrollTimeDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    return QSize(0, index.row() == 1 ? 17 : kRowHeight);
}

void QScrollTimeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const int middle = view ? view->viewport()->height() / 2 : option.rect.center().y();
    const bool inBand = option.rect.top() <= middle && middle <= option.rect.bottom();
    painter->save();
    if (inBand) {
        painter->setPen(Qt::white);
    } else {
        if (option.state & QStyle::State_MouseOver)
            painter->fillRect(option.rect, kHoverFill);
        painter->setPen(option.palette.color(QPalette::Text));
    }
    painter->drawText(option.rect, Qt::AlignCenter, text);
    painter->restore();
}
