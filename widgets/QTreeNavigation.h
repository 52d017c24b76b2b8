#pragma once

#include "ferrowix_export.h"

#include <QWidget>

#include <memory>

class QTreeWidget;
class QTreeWidgetItem;
class QTreeNavigationPrivate;

// Dark two-level navigation menu: top-level entries open and close like an
// accordion, their sub-entries are the pages. Fill it with addTopLevelItem and
// addSubLevelItem and react to the signals of GetTreeWidget().
class FERROWIX_EXPORT QTreeNavigation : public QWidget
{
    Q_OBJECT

public:
    explicit QTreeNavigation(QWidget* parent = nullptr);
    ~QTreeNavigation() override;

    QTreeWidget* GetTreeWidget();
    QTreeWidgetItem* addTopLevelItem(const QString& text);
    QTreeWidgetItem* addSubLevelItem(QTreeWidgetItem* parent, const QString& text);

    // When set (the default), opening one top-level entry closes the others.
    void setSingleItemExpanded(bool single);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void itemClicked(QTreeWidgetItem* item);

private:
    std::unique_ptr<QTreeNavigationPrivate> d;
};
