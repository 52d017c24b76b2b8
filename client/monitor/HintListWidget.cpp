#include "HintListWidget.h"

#include <QKeyEvent>

HintListWidget::HintListWidget(QWidget* parent) : QListWidget(parent)
{
    resize(kWidth, 160);
    setStyleSheet(QStringLiteral("QListView {border: 1px solid #D3DCE6;}"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void HintListWidget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Down:
        if (currentRow() + 1 < count())
            setCurrentRow(currentRow() + 1);
        break;
    case Qt::Key_Up:
        if (currentRow() > 0)
            setCurrentRow(currentRow() - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (QListWidgetItem* item = currentItem())
            emit SelectedSig(item->text());
        close();
        break;
    default: break;
    }
    // Every key ends here: the list is no input field.
    event->accept();
}
