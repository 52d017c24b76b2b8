#pragma once

#include <QModelIndex>
#include <QObject>

#include <memory>

class QAbstractItemModel;
class QCheckableModelHelperPrivate;

// Keeps the check states of any item model consistent as a tree: a checked or
// unchecked parent pushes its state down to its children, and a parent's state
// is recomputed from its children (all alike: that state, mixed: partially
// checked). Header section 0 stands for the root, so a header check box checks
// or unchecks everything. The model is watched, not owned; when it is destroyed
// the helper behaves as having none.
class QCheckableModelHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool forceCheckability READ forceCheckability WRITE setForceCheckability)
    Q_PROPERTY(int propagateDepth READ propagateDepth WRITE setPropagateDepth)
    Q_PROPERTY(Qt::CheckState defaultCheckState READ defaultCheckState WRITE setDefaultCheckState)

public:
    // Horizontal: the children of an index are its rows (column 0) and the root
    // state is the horizontal header's section 0. Vertical: the mirror image.
    QCheckableModelHelper(Qt::Orientation orientation, QObject* parent = nullptr);
    ~QCheckableModelHelper() override;

    virtual void setModel(QAbstractItemModel* model);
    virtual void setRootIndex(const QModelIndex& index);
    QAbstractItemModel* model() const;
    QModelIndex rootIndex() const;

    Qt::CheckState checkState(const QModelIndex& index) const;
    Qt::CheckState headerCheckState(int section) const;
    bool isCheckable(const QModelIndex& index) const;
    bool isHeaderCheckable(int section) const;

    // Items without a check state get defaultCheckState and become checkable.
    bool forceCheckability() const;
    void setForceCheckability(bool force);
    // How many levels below an index a state is pushed: -1 all, 0 none.
    int propagateDepth() const;
    void setPropagateDepth(int depth);
    Qt::CheckState defaultCheckState() const;
    void setDefaultCheckState(Qt::CheckState state);

public slots:
    void setCheckState(const QModelIndex& modelIndex, Qt::CheckState checkState);
    void setHeaderCheckState(int section, Qt::CheckState checkState);
    void toggleCheckState(const QModelIndex& modelIndex);
    void toggleHeaderCheckState(int section);
    void updateHeadersFromItems();

private:
    void onHeaderDataChanged(Qt::Orientation orientation, int first, int last);
    void onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void onColumnsInserted(const QModelIndex& parent, int start, int end);
    void onRowsInserted(const QModelIndex& parent, int start, int end);

    friend class QCheckableModelHelperPrivate;
    std::unique_ptr<QCheckableModelHelperPrivate> d;
};
