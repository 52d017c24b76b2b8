#include "QCheckableComboBox.h"

#include "QCheckableModelHelper.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QStylePainter>

class QCheckableComboBoxPrivate
{
public:
    explicit QCheckableComboBoxPrivate(QCheckableComboBox* owner)
        : q(owner), helper(new QCheckableModelHelper(Qt::Horizontal, owner))
    {
    }

    QModelIndexList itemsWithState(Qt::CheckState state) const;
    void refreshCheckedList();
    bool handleListRelease(QObject* watched, QMouseEvent* event);

    QCheckableComboBox* q;
    QCheckableModelHelper* helper;
    bool pressed = false;
    QList<QPersistentModelIndex> checked;
    QVector<QMetaObject::Connection> modelConnections;
};

QModelIndexList QCheckableComboBoxPrivate::itemsWithState(Qt::CheckState state) const
{
    const QAbstractItemModel* model = q->model();
    return model->match(model->index(0, 0, q->rootModelIndex()), Qt::CheckStateRole, static_cast<int>(state), -1,
                        Qt::MatchRecursive);
}

void QCheckableComboBoxPrivate::refreshCheckedList()
{
    QList<QPersistentModelIndex> now;
    for (const QModelIndex& index : itemsWithState(Qt::Checked)) {
        if (index.isValid())
            now.append(index);
    }
    if (now == checked)
        return;
    checked = now;
    emit q->checkedIndexesChanged();
}

bool QCheckableComboBoxPrivate::handleListRelease(QObject* watched, QMouseEvent* event)
{
    QAbstractItemView* view = q->view();
    const QPoint pos = static_cast<QWidget*>(watched)->mapTo(view, event->pos());
    const QModelIndex index = view->indexAt(view->viewport()->mapFrom(view, pos));
    const Qt::ItemFlags needed = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!view->rect().contains(pos) || !index.isValid() || (index.flags() & needed) != needed) {
        pressed = false;
        return false;
    }
    if (pressed) {
        q->setCurrentIndex(index.row());
        helper->toggleCheckState(index);
    }
    pressed = false;
    // Consumed so that the list stays open for the next click.
    return true;
}

QCheckableComboBox::QCheckableComboBox(QWidget* parent)
    : QStyledComboBox(parent), d(std::make_unique<QCheckableComboBoxPrivate>(this))
{
    setCheckableModel(model());
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

QCheckableComboBox::~QCheckableComboBox()
{
    for (const QMetaObject::Connection& connection : qAsConst(d->modelConnections))
        disconnect(connection);
}

void QCheckableComboBox::setCheckableModel(QAbstractItemModel* newModel)
{
    // Only our own connections: the combo box itself is connected to the model too.
    for (const QMetaObject::Connection& connection : qAsConst(d->modelConnections))
        disconnect(connection);
    if (newModel != model())
        setModel(newModel);
    const auto refresh = [this] { d->refreshCheckedList(); };
    d->modelConnections = {
        connect(newModel, &QAbstractItemModel::dataChanged, this, &QCheckableComboBox::onDataChanged),
        // Removing a checked item changes the checked set without any data change.
        connect(newModel, &QAbstractItemModel::rowsRemoved, this, refresh),
        connect(newModel, &QAbstractItemModel::modelReset, this, refresh),
    };
    d->helper->setModel(newModel);
    d->refreshCheckedList();
}

QCheckableModelHelper* QCheckableComboBox::checkableModelHelper() const
{
    return d->helper;
}

Qt::CheckState QCheckableComboBox::checkState(const QModelIndex& index) const
{
    return d->helper->checkState(index);
}

void QCheckableComboBox::setCheckState(const QModelIndex& index, Qt::CheckState state)
{
    d->helper->setCheckState(index, state);
}

QList<QModelIndex> QCheckableComboBox::checkedIndexes() const
{
    QList<QModelIndex> result;
    for (const QPersistentModelIndex& index : d->checked) {
        if (index.isValid())
            result.append(index);
    }
    return result;
}

bool QCheckableComboBox::allChecked() const
{
    return d->itemsWithState(Qt::Unchecked).isEmpty();
}

bool QCheckableComboBox::noneChecked() const
{
    return checkedIndexes().isEmpty();
}

QString QCheckableComboBox::summaryText() const
{
    if (allChecked())
        return tr("All");
    const QList<QModelIndex> indexes = checkedIndexes();
    if (indexes.isEmpty())
        return tr("None");
    if (indexes.size() == 1)
        return indexes.first().data(Qt::DisplayRole).toString();
    QStringList texts;
    for (const QModelIndex& index : indexes)
        texts.append(index.data(Qt::DisplayRole).toString());
    return fontMetrics().elidedText(texts.join(QLatin1Char(';')), Qt::ElideRight, width());
}

QIcon QCheckableComboBox::summaryIcon() const
{
    const QList<QModelIndex> indexes = checkedIndexes();
    if (allChecked() || indexes.size() != 1)
        return {};
    return indexes.first().data(Qt::DecorationRole).value<QIcon>();
}

void QCheckableComboBox::onDataChanged(const QModelIndex&, const QModelIndex&)
{
    d->refreshCheckedList();
}

bool QCheckableComboBox::eventFilter(QObject* watched, QEvent* event)
{
    const bool inList = watched == view() || watched == view()->viewport();
    if (inList && view()->isVisible()) {
        if (event->type() == QEvent::MouseButtonPress) {
            d->pressed = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            if (d->handleListRelease(watched, static_cast<QMouseEvent*>(event)))
                return true;
        }
    } else if (inList && event->type() == QEvent::MouseButtonRelease) {
        d->pressed = false;
    }
    return QStyledComboBox::eventFilter(watched, event);
}

void QCheckableComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = summaryText();
    option.currentIcon = summaryIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
