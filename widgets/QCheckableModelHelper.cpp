#include "QCheckableModelHelper.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QScopedValueRollback>
#include <QStandardItemModel>

#include <optional>

class QCheckableModelHelperPrivate
{
public:
    QCheckableModelHelperPrivate(QCheckableModelHelper* owner, Qt::Orientation orient) : q(owner), orientation(orient)
    {
    }

    bool isRoot(const QModelIndex& index) const { return index == QModelIndex(rootIndex); }
    static int depth(QModelIndex index);
    QVariant stateData(const QModelIndex& index) const;
    std::optional<Qt::CheckState> readState(const QModelIndex& index) const;
    void write(const QModelIndex& index, Qt::CheckState state);
    void makeCheckable(const QModelIndex& index);
    void makeCheckableIfStateless(const QModelIndex& index);
    QModelIndexList children(const QModelIndex& index) const;
    void pushDown(const QModelIndex& index);
    void recomputeUp(const QModelIndex& index);
    bool propagatesBelow(const QModelIndex& index) const;
    void connectDataChanged();
    void disconnectDataChanged();

    QCheckableModelHelper* q;
    QPointer<QAbstractItemModel> model;
    QPersistentModelIndex rootIndex;
    Qt::Orientation orientation;
    // Set during the helper's own writes, so that the change signals they cause
    // start no propagation of their own.
    bool updating = false;
    bool forceCheckability = true;
    int propagateDepth = -1;
    Qt::CheckState defaultCheckState = Qt::Unchecked;
};

int QCheckableModelHelperPrivate::depth(QModelIndex index)
{
    int level = -1;
    for (; index.isValid(); index = index.parent())
        ++level;
    return level;
}

QVariant QCheckableModelHelperPrivate::stateData(const QModelIndex& index) const
{
    if (isRoot(index))
        return model->headerData(0, orientation, Qt::CheckStateRole);
    return model->data(index, Qt::CheckStateRole);
}

std::optional<Qt::CheckState> QCheckableModelHelperPrivate::readState(const QModelIndex& index) const
{
    if (!model)
        return defaultCheckState;
    bool ok = false;
    const int state = stateData(index).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<Qt::CheckState>(state);
}

void QCheckableModelHelperPrivate::write(const QModelIndex& index, Qt::CheckState state)
{
    if (isRoot(index))
        model->setHeaderData(0, orientation, state, Qt::CheckStateRole);
    else
        model->setData(index, state, Qt::CheckStateRole);
}

void QCheckableModelHelperPrivate::makeCheckable(const QModelIndex& index)
{
    write(index, defaultCheckState);
    auto* standardModel = qobject_cast<QStandardItemModel*>(model.data());
    if (!standardModel)
        return;
    QStandardItem* item = nullptr;
    if (!isRoot(index))
        item = standardModel->itemFromIndex(index);
    else if (orientation == Qt::Horizontal)
        item = standardModel->horizontalHeaderItem(0);
    else
        item = standardModel->verticalHeaderItem(0);
    // A model without header section 0 has no place for the root state.
    if (item)
        item->setCheckable(true);
}

void QCheckableModelHelperPrivate::makeCheckableIfStateless(const QModelIndex& index)
{
    if (index.isValid() && !stateData(index).isValid())
        makeCheckable(index);
}

QModelIndexList QCheckableModelHelperPrivate::children(const QModelIndex& index) const
{
    QModelIndexList result;
    if (orientation == Qt::Horizontal) {
        for (int row = 0, rows = model->rowCount(index); row < rows; ++row)
            result.append(model->index(row, 0, index));
    } else {
        for (int column = 0, columns = model->columnCount(index); column < columns; ++column)
            result.append(model->index(0, column, index));
    }
    return result;
}

bool QCheckableModelHelperPrivate::propagatesBelow(const QModelIndex& index) const
{
    if (propagateDepth == 0)
        return false;
    return propagateDepth == -1 || depth(index) < propagateDepth;
}

void QCheckableModelHelperPrivate::pushDown(const QModelIndex& index)
{
    if (!propagatesBelow(index))
        return;
    const auto state = readState(index);
    if (!state || *state == Qt::PartiallyChecked)
        return;
    if (forceCheckability) {
        while (model->canFetchMore(index))
            model->fetchMore(index);
    }
    for (const QModelIndex& child : children(index)) {
        if (forceCheckability || readState(child)) {
            write(child, *state);
            pushDown(child);
        }
    }
}

void QCheckableModelHelperPrivate::recomputeUp(const QModelIndex& index)
{
    const auto current = readState(index);
    if (!current)
        return;
    Qt::CheckState aggregate = Qt::PartiallyChecked;
    bool seen = false;
    for (const QModelIndex& child : children(index)) {
        const auto state = readState(child);
        if (!state)
            continue;
        if (!seen) {
            aggregate = *state;
            seen = true;
        } else if (*state != aggregate) {
            aggregate = Qt::PartiallyChecked;
        }
        if (aggregate == Qt::PartiallyChecked)
            break;
    }
    if (aggregate == *current)
        return;
    write(index, aggregate);
    if (!isRoot(index))
        recomputeUp(index.parent());
}

void QCheckableModelHelperPrivate::connectDataChanged()
{
    QObject::connect(model, &QAbstractItemModel::dataChanged, q, &QCheckableModelHelper::onDataChanged,
                     Qt::UniqueConnection);
}

void QCheckableModelHelperPrivate::disconnectDataChanged()
{
    QObject::disconnect(model, &QAbstractItemModel::dataChanged, q, &QCheckableModelHelper::onDataChanged);
}

QCheckableModelHelper::QCheckableModelHelper(Qt::Orientation orientation, QObject* parent)
    : QObject(parent), d(std::make_unique<QCheckableModelHelperPrivate>(this, orientation))
{
}

QCheckableModelHelper::~QCheckableModelHelper() = default;

QAbstractItemModel* QCheckableModelHelper::model() const
{
    return d->model;
}

QModelIndex QCheckableModelHelper::rootIndex() const
{
    return d->rootIndex;
}

void QCheckableModelHelper::setModel(QAbstractItemModel* model)
{
    if (model == d->model)
        return;
    if (d->model)
        disconnect(d->model, nullptr, this, nullptr);
    d->model = model;
    d->rootIndex = QPersistentModelIndex();
    if (!model)
        return;
    connect(model, &QAbstractItemModel::headerDataChanged, this, &QCheckableModelHelper::onHeaderDataChanged);
    if (d->propagateDepth != 0)
        d->connectDataChanged();
    connect(model, &QAbstractItemModel::columnsInserted, this, &QCheckableModelHelper::onColumnsInserted);
    connect(model, &QAbstractItemModel::rowsInserted, this, &QCheckableModelHelper::onRowsInserted);

    if (d->forceCheckability) {
        const QScopedValueRollback<bool> guard(d->updating, true);
        const QModelIndexList stateless =
            model->match(model->index(0, 0), Qt::CheckStateRole, QVariant(), -1, Qt::MatchRecursive);
        for (const QModelIndex& index : stateless)
            d->makeCheckable(index);
        d->makeCheckable(d->rootIndex);
    }
    updateHeadersFromItems();
}

void QCheckableModelHelper::setRootIndex(const QModelIndex& index)
{
    d->rootIndex = index;
    if (d->propagateDepth != 0 && d->model)
        updateHeadersFromItems();
}

Qt::CheckState QCheckableModelHelper::checkState(const QModelIndex& index) const
{
    return d->readState(index).value_or(Qt::Unchecked);
}

Qt::CheckState QCheckableModelHelper::headerCheckState(int section) const
{
    if (!d->model)
        return d->defaultCheckState;
    return static_cast<Qt::CheckState>(d->model->headerData(section, d->orientation, Qt::CheckStateRole).toInt());
}

bool QCheckableModelHelper::isCheckable(const QModelIndex& index) const
{
    if (!d->model)
        return d->forceCheckability && index.column() == 0;
    return !d->stateData(index).isNull();
}

bool QCheckableModelHelper::isHeaderCheckable(int section) const
{
    if (!d->model)
        return d->forceCheckability && section == 0;
    return !d->model->headerData(section, d->orientation, Qt::CheckStateRole).isNull();
}

bool QCheckableModelHelper::forceCheckability() const
{
    return d->forceCheckability;
}

void QCheckableModelHelper::setForceCheckability(bool force)
{
    if (force == d->forceCheckability)
        return;
    d->forceCheckability = force;
    if (d->model) {
        const QScopedValueRollback<bool> guard(d->updating, true);
        d->pushDown(d->rootIndex);
    }
}

int QCheckableModelHelper::propagateDepth() const
{
    return d->propagateDepth;
}

void QCheckableModelHelper::setPropagateDepth(int depth)
{
    if (depth == d->propagateDepth)
        return;
    d->propagateDepth = depth;
    if (!d->model)
        return;
    if (depth == 0) {
        d->disconnectDataChanged();
    } else {
        d->connectDataChanged();
        updateHeadersFromItems();
    }
}

Qt::CheckState QCheckableModelHelper::defaultCheckState() const
{
    return d->defaultCheckState;
}

void QCheckableModelHelper::setDefaultCheckState(Qt::CheckState state)
{
    d->defaultCheckState = state;
}

void QCheckableModelHelper::setCheckState(const QModelIndex& modelIndex, Qt::CheckState checkState)
{
    if (d->model)
        d->model->setData(modelIndex, checkState, Qt::CheckStateRole);
}

void QCheckableModelHelper::setHeaderCheckState(int section, Qt::CheckState checkState)
{
    if (d->model)
        d->model->setHeaderData(section, d->orientation, checkState, Qt::CheckStateRole);
}

void QCheckableModelHelper::toggleCheckState(const QModelIndex& modelIndex)
{
    if (!d->model || !isCheckable(modelIndex))
        return;
    const Qt::CheckState next = checkState(modelIndex) == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    if (d->isRoot(modelIndex))
        setHeaderCheckState(0, next);
    else
        setCheckState(modelIndex, next);
}

void QCheckableModelHelper::toggleHeaderCheckState(int section)
{
    if (!d->model || !isHeaderCheckable(section))
        return;
    setHeaderCheckState(section, headerCheckState(section) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void QCheckableModelHelper::updateHeadersFromItems()
{
    if (!d->model)
        return;
    const QScopedValueRollback<bool> guard(d->updating, true);
    d->recomputeUp(d->rootIndex);
}

void QCheckableModelHelper::onHeaderDataChanged(Qt::Orientation orientation, int, int)
{
    if (d->updating || orientation != d->orientation)
        return;
    const QScopedValueRollback<bool> guard(d->updating, true);
    d->pushDown(d->rootIndex);
}

void QCheckableModelHelper::onDataChanged(const QModelIndex& topLeft, const QModelIndex&)
{
    if (d->updating || d->propagateDepth == 0 || !d->readState(topLeft))
        return;
    const QScopedValueRollback<bool> guard(d->updating, true);
    d->pushDown(topLeft);
    d->recomputeUp(topLeft.parent());
}

void QCheckableModelHelper::onRowsInserted(const QModelIndex& parent, int start, int end)
{
    if (d->updating)
        return;
    if (d->orientation == Qt::Vertical) {
        if (start == 0)
            updateHeadersFromItems();
        return;
    }
    const QScopedValueRollback<bool> guard(d->updating, true);
    if (d->forceCheckability) {
        for (int row = start; row <= end; ++row)
            d->makeCheckableIfStateless(d->model->index(row, 0, parent));
    }
    const QModelIndex first = d->model->index(start, 0, parent);
    if (d->propagateDepth != 0 && d->readState(first)) {
        d->pushDown(first);
        d->recomputeUp(parent);
    }
}

void QCheckableModelHelper::onColumnsInserted(const QModelIndex& parent, int start, int end)
{
    if (d->updating)
        return;
    if (d->orientation == Qt::Horizontal) {
        if (start == 0)
            updateHeadersFromItems();
        return;
    }
    const QScopedValueRollback<bool> guard(d->updating, true);
    if (d->forceCheckability) {
        for (int column = start; column <= end; ++column)
            d->makeCheckableIfStateless(d->model->index(0, column, parent));
    }
    const QModelIndex first = d->model->index(0, start, parent);
    if (d->propagateDepth != 0 && d->readState(first)) {
        d->pushDown(first);
        d->recomputeUp(parent);
    }
}
