#pragma once

#include <QListWidget>

// The item grid of QCheckListWidget. The panel sizes itself from the list's
// contents, which QListView keeps protected.
class InternalListWidget : public QListWidget
{
    Q_OBJECT

public:
    using QListWidget::QListWidget;
    using QListWidget::contentsSize;
};
