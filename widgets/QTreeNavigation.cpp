#include "QTreeNavigation.h"

#include "TreeNavigationDelegate.h"

#include <QHeaderView>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QColor kMenuBackground(64, 71, 83);
}

class QTreeNavigationPrivate
{
public:
    explicit QTreeNavigationPrivate(QTreeNavigation* owner) : q(owner) { }

    void setupForm();
    void configureTree();

    QTreeNavigation* q;
    QVBoxLayout* verticalLayout = nullptr;
    QTreeWidget* treeNavigationWidget = nullptr;
    bool singleItemExpanded = true;
};

void QTreeNavigationPrivate::setupForm()
{
    if (q->objectName().isEmpty())
        q->setObjectName(QStringLiteral("QTreeNavigation"));
    q->resize(260, 593);
    verticalLayout = new QVBoxLayout(q);
    verticalLayout->setSpacing(0);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setContentsMargins(0, 10, 0, 0);
    treeNavigationWidget = new QTreeWidget(q);
    treeNavigationWidget->setObjectName(QStringLiteral("treeNavigationWidget"));
    treeNavigationWidget->headerItem()->setText(0, QStringLiteral("1"));
    treeNavigationWidget->setFrameShape(QFrame::NoFrame);
    verticalLayout->addWidget(treeNavigationWidget);
    q->setWindowTitle(QTreeNavigation::tr("QTreeNavigation"));
}

void QTreeNavigationPrivate::configureTree()
{
    QTreeWidget* tree = treeNavigationWidget;
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setIndentation(0);
    // Expansion belongs to single clicks (the accordion); a double click must not toggle it back.
    tree->setExpandsOnDoubleClick(false);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setStyleSheet(QStringLiteral("QTreeView {background-color:rgb(64,71,83);}"));
    tree->setItemDelegate(new TreeNavigationDelegate(tree));
}

QTreeNavigation::QTreeNavigation(QWidget* parent) : QWidget(parent), d(std::make_unique<QTreeNavigationPrivate>(this))
{
    d->setupForm();
    d->configureTree();
    connect(d->treeNavigationWidget, &QTreeWidget::itemClicked, this, &QTreeNavigation::itemClicked);
}

QTreeNavigation::~QTreeNavigation() = default;

QTreeWidget* QTreeNavigation::GetTreeWidget()
{
    return d->treeNavigationWidget;
}

QTreeWidgetItem* QTreeNavigation::addTopLevelItem(const QString& text)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    d->treeNavigationWidget->addTopLevelItem(item);
    return item;
}

QTreeWidgetItem* QTreeNavigation::addSubLevelItem(QTreeWidgetItem* parent, const QString& text)
{
    if (!parent)
        return nullptr;
    return new QTreeWidgetItem(parent, QStringList{text});
}

void QTreeNavigation::setSingleItemExpanded(bool single)
{
    d->singleItemExpanded = single;
}

QSize QTreeNavigation::sizeHint() const
{
    return {260, 400};
}

void QTreeNavigation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kMenuBackground);
}

void QTreeNavigation::itemClicked(QTreeWidgetItem* item)
{
    QTreeWidget* tree = d->treeNavigationWidget;
    if (!item || item->treeWidget() != tree || item->parent())
        return;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* entry = tree->topLevelItem(i);
        if (entry == item) {
            if (entry->childCount() > 0)
                entry->setExpanded(!entry->isExpanded());
        } else if (d->singleItemExpanded) {
            entry->setExpanded(false);
        }
    }
}
