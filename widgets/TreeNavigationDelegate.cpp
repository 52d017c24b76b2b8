#include "TreeNavigationDelegate.h"

#include "ScaledPicture.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QTreeView>

namespace {
const QColor kOpenBackground(40, 44, 51);
const QColor kSelection(88, 187, 228);
constexpr int kPictureColumnWidth = 60;
constexpr int kSelectionStripWidth = 5;

QRect leftColumn(const QRect& row)
{
    return {row.left(), row.top(), kPictureColumnWidth, row.height()};
}

QRect rightColumn(const QRect& row)
{
    return {row.right() - kPictureColumnWidth + 1, row.top(), kPictureColumnWidth, row.height()};
}

void drawPixmapCentred(QPainter* painter, const QRect& area, const QPixmap& pixmap)
{
    QRect target(QPoint(), pixmap.size() / pixmap.devicePixelRatioF());
    target.moveCenter(area.center());
    painter->drawPixmap(target, pixmap);
}

void drawDecoration(QPainter* painter, const QRect& area, const QVariant& decoration)
{
    if (decoration.userType() == qMetaTypeId<QIcon>()) {
        const QIcon icon = decoration.value<QIcon>();
        if (!icon.isNull())
            icon.paint(painter, area, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    } else if (decoration.userType() == qMetaTypeId<QPixmap>()) {
        const QPixmap pixmap = decoration.value<QPixmap>();
        if (!pixmap.isNull())
            drawPixmapCentred(painter, area, pixmap);
    }
}
} // namespace

TreeNavigationDelegate::TreeNavigationDelegate(QTreeView* view) : QStyledItemDelegate(view), m_view(view)
{
}

QSize TreeNavigationDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    return index.parent().isValid() ? QSize(260, 40) : QSize(260, 50);
}

void TreeNavigationDelegate::paintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const
{
    const bool subEntry = index.parent().isValid();
    const bool selected = option.state & QStyle::State_Selected;
    const bool hasChildren = index.model()->rowCount(index) > 0;
    const QRect& r = option.rect;

    if (m_view->isExpanded(index) || (subEntry && !selected && m_view->isExpanded(index.parent()))) {
        painter->fillRect(r, kOpenBackground);
    } else if (selected && subEntry) {
        painter->fillRect(r, kSelection);
    } else if (selected && !hasChildren) {
        painter->fillRect(QRect(r.left(), r.top(), kSelectionStripWidth, r.height()), kSelection);
        painter->fillRect(r.adjusted(kSelectionStripWidth, 0, 0, 0), kOpenBackground);
    }
}

void TreeNavigationDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    if (index.column() != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const bool subEntry = index.parent().isValid();
    painter->save();
    paintBackground(painter, option, index);

    QFont font;
    font.setPointSize(subEntry ? 10 : 12);
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->drawText(option.rect.adjusted(subEntry ? 70 : 60, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());

    drawDecoration(painter, leftColumn(option.rect), index.data(Qt::DecorationRole));

    if (index.model()->rowCount(index) > 0) {
        // The arrows come from the resources of the application using the menu.
        const QPixmap arrow = ScaledPicture::load(m_view->isExpanded(index) ? QStringLiteral(":/images/barup.png")
                                                                            : QStringLiteral(":/images/bardown.png"),
                                                  painter->device());
        if (!arrow.isNull())
            drawPixmapCentred(painter, rightColumn(option.rect), arrow);
    }
    painter->restore();
}
