#pragma once

#include <QStyledItemDelegate>

class QTreeView;

// Paints the rows of QTreeNavigation: dark rows, a picture column on the left,
// an open/closed arrow on the right and blue selection bars.
class TreeNavigationDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // The view is also the delegate's Qt parent.
    explicit TreeNavigationDelegate(QTreeView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintBackground(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    QTreeView* m_view;
};
