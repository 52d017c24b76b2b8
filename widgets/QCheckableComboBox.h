#pragma once

#include "QStyledComboBox.h"

#include <memory>

class QCheckableModelHelper;
class QCheckableComboBoxPrivate;

// A styled combo box whose items carry check boxes. Clicking an item toggles it
// while the list stays open; the closed box shows "All", "None", the one checked
// item, or the checked texts joined by ";". The states live in the model
// (Qt::CheckStateRole) and a QCheckableModelHelper keeps them consistent.
class QCheckableComboBox : public QStyledComboBox
{
    Q_OBJECT

public:
    explicit QCheckableComboBox(QWidget* parent = nullptr);
    ~QCheckableComboBox() override;

    void setCheckableModel(QAbstractItemModel* model);
    QCheckableModelHelper* checkableModelHelper() const;

    Qt::CheckState checkState(const QModelIndex& index) const;
    void setCheckState(const QModelIndex& index, Qt::CheckState state);
    QList<QModelIndex> checkedIndexes() const;
    // True when no item at any depth is unchecked (an empty model counts as all checked).
    bool allChecked() const;
    bool noneChecked() const;

    // What the closed box shows.
    QString summaryText() const;
    QIcon summaryIcon() const;

signals:
    void checkedIndexesChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

protected slots:
    void onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);

private:
    std::unique_ptr<QCheckableComboBoxPrivate> d;
};
