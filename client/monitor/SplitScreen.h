#pragma once

#include <QWidget>

namespace Ui {
class SplitScreen;
}
class QListWidgetItem;

// The pop-up that offers the five split layouts; a click closes it and hands
// the chosen row's text to the main window. It is a window of its own: the
// video panes under it are native windows, which would cover any plain child
// widget drawn over them. A press outside it or Escape closes it.
class SplitScreen : public QWidget
{
    Q_OBJECT

public:
    explicit SplitScreen(QWidget* parent = nullptr);
    ~SplitScreen() override;

    // Opens over the bottom-left corner of `area`. A press on `toggle` while
    // open only closes it, so the button that opens it also closes it.
    void PopUpOver(QWidget* area, QWidget* toggle);
    // Follows `area` when the main window moves or changes size.
    void PlaceOver(QWidget* area);

signals:
    void ShowSplitScreenSig(QString& strItemText);

public slots:
    void on_listWidget_itemClicked(QListWidgetItem* pItem);
    void reTranslateUI();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillList();

    Ui::SplitScreen* ui;
};
