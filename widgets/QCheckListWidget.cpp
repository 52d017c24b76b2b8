#include "QCheckListWidget.h"

#include "InternalListWidget.h"
#include "QCheckListDelegate.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <functional>

namespace {
constexpr int kAllItemValue = 0xffff;
constexpr int kPanelMargin = 5;
} // namespace

class QCheckListWidgetPrivate
{
public:
    QCheckListWidgetPrivate(QCheckListWidget* panel, QWidget* ownerWidget) : q(panel), owner(ownerWidget) { }

    void setupForm();
    void connectItemHandler();
    void onItemChanged(QListWidgetItem* changed);
    void appendItem(const QString& text, Qt::CheckState state, const QVariant& value);
    void syncAllItem();
    QListWidgetItem* allItem() const { return list->item(0); }
    bool everyItemChecked() const;

    QCheckListWidget* q;
    std::function<void(QListWidgetItem*)> itemChangedHandler;
    InternalListWidget* list = nullptr;
    QWidget* owner;
    QHBoxLayout* buttonRow = nullptr;
    QMetaObject::Connection itemChangedConnection;
};

void QCheckListWidgetPrivate::setupForm()
{
    q->setObjectName(QStringLiteral("QCheckListWidget"));
    auto* verticalLayout = new QVBoxLayout(q);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(kPanelMargin, kPanelMargin, kPanelMargin, kPanelMargin);

    list = new InternalListWidget(q);
    list->setObjectName(QStringLiteral("InternalListWidget"));
    list->setItemDelegate(new QCheckListDelegate(list));
    list->setFrameShape(QFrame::NoFrame);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFlow(QListView::LeftToRight);
    list->setProperty("isWrapping", true);
    list->setResizeMode(QListView::Adjust);
    list->setLayoutMode(QListView::SinglePass);
    list->setStyleSheet(QStringLiteral("QListView::item {border:none;}"));
    list->installEventFilter(q);
    verticalLayout->addWidget(list);

    buttonRow = new QHBoxLayout();
    buttonRow->setObjectName(QStringLiteral("horizontalLayout"));
    buttonRow->setSpacing(0);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    auto* confirm = new QPushButton(QStringLiteral("确定"), q);
    confirm->setObjectName(QStringLiteral("pushButton"));
    buttonRow->addWidget(confirm);
    verticalLayout->addLayout(buttonRow);

    QObject::connect(confirm, &QPushButton::clicked, q, [this] {
        emit q->signalSelectConfirm();
        q->hide();
    });
}

void QCheckListWidgetPrivate::connectItemHandler()
{
    itemChangedConnection = QObject::connect(list, &QListWidget::itemChanged, q, itemChangedHandler);
}

bool QCheckListWidgetPrivate::everyItemChecked() const
{
    for (int row = 1; row < list->count(); ++row) {
        if (list->item(row)->checkState() != Qt::Checked)
            return false;
    }
    return true;
}

void QCheckListWidgetPrivate::onItemChanged(QListWidgetItem* changed)
{
    // Our own changes below must not come back here.
    QObject::disconnect(itemChangedConnection);
    if (changed == allItem()) {
        for (int row = 1; row < list->count(); ++row)
            list->item(row)->setCheckState(changed->checkState());
    } else if (changed->checkState() == Qt::Unchecked) {
        allItem()->setCheckState(Qt::Unchecked);
    } else if (changed->checkState() == Qt::Checked && everyItemChecked()) {
        allItem()->setCheckState(Qt::Checked);
    }
    connectItemHandler();
    QMetaObject::invokeMethod(q, "slotSelectionChanged", Qt::DirectConnection);
}

void QCheckListWidgetPrivate::appendItem(const QString& text, Qt::CheckState state, const QVariant& value)
{
    auto* item = new QListWidgetItem(text);
    item->setCheckState(state);
    item->setData(Qt::UserRole, value);
    list->addItem(item);
}

// The all item and the owner's text follow the items, also for items added checked.
void QCheckListWidgetPrivate::syncAllItem()
{
    QObject::disconnect(itemChangedConnection);
    allItem()->setCheckState(everyItemChecked() ? Qt::Checked : Qt::Unchecked);
    connectItemHandler();
    q->slotSelectionChanged();
}

QCheckListWidget::QCheckListWidget(QWidget* owner, Qt::WindowFlags flags)
    : QWidget(owner, flags), d(std::make_unique<QCheckListWidgetPrivate>(this, owner))
{
    d->setupForm();
    d->itemChangedHandler = [this](QListWidgetItem* item) { d->onItemChanged(item); };
    d->appendItem(QStringLiteral("全部"), Qt::Unchecked, kAllItemValue);
    d->connectItemHandler();
}

QCheckListWidget::~QCheckListWidget() = default;

InternalListWidget* QCheckListWidget::listWidget() const
{
    return d->list;
}

QWidget* QCheckListWidget::owner() const
{
    return d->owner;
}

void QCheckListWidget::addItem(const QString& text, Qt::CheckState state, const QVariant& value)
{
    d->appendItem(text, state, value);
    d->syncAllItem();
}

bool QCheckListWidget::getCheckItems(QVector<QVariant>& values) const
{
    values.clear();
    for (int row = 1; row < d->list->count(); ++row) {
        const QListWidgetItem* item = d->list->item(row);
        if (item->checkState() == Qt::Checked)
            values.append(item->data(Qt::UserRole));
    }
    return !values.isEmpty() && d->everyItemChecked();
}

bool QCheckListWidget::setItemChecked(const QVector<QVariant>& values)
{
    d->list->setUpdatesEnabled(false);
    bool matched = false;
    for (int row = 1; row < d->list->count() && !matched; ++row)
        matched = values.contains(d->list->item(row)->data(Qt::UserRole));
    if (matched) {
        for (int row = 1; row < d->list->count(); ++row) {
            QListWidgetItem* item = d->list->item(row);
            item->setCheckState(values.contains(item->data(Qt::UserRole)) ? Qt::Checked : Qt::Unchecked);
        }
    }
    d->syncAllItem();
    d->list->setUpdatesEnabled(true);
    return matched;
}

void QCheckListWidget::slotSelectionChanged()
{
    auto* combo = qobject_cast<QComboBox*>(d->owner);
    if (!combo)
        return;
    if (d->allItem()->checkState() == Qt::Checked) {
        combo->setCurrentText(QStringLiteral("全部"));
        return;
    }
    QStringList texts;
    for (int row = 1; row < d->list->count(); ++row) {
        if (d->list->item(row)->checkState() == Qt::Checked)
            texts.append(d->list->item(row)->text());
    }
    combo->setCurrentText(texts.join(QLatin1Char(';')));
}

bool QCheckListWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == d->list && event->type() == QEvent::Polish && d->owner)
        d->list->setFixedWidth(d->owner->width() - 2 * kPanelMargin);
    return QWidget::eventFilter(watched, event);
}

QSize QCheckListWidget::fittedSize() const
{
    if (!d->owner)
        return size();
    d->list->setFixedWidth(d->owner->width() - 2 * kPanelMargin);
    // The grid wraps at the list's width: lay it out before reading its height.
    d->list->doItemsLayout();
    const int height = d->list->contentsSize().height() + d->buttonRow->sizeHint().height() + 2 * kPanelMargin;
    return {d->owner->width(), height};
}

void QCheckListWidget::showEvent(QShowEvent* event)
{
    setFixedSize(fittedSize());
    QWidget::showEvent(event);
}
