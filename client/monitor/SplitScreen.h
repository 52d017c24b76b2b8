#pragma once

#include <QWidget>

namespace Ui {
class SplitScreen;
}
class QListWidgetItem;

// The pop-up that offers the five split layouts; a click closes it and hands
// the chosen row's text to the main window.
class SplitScreen : public QWidget
{
    Q_OBJECT

public:
    explicit SplitScreen(QWidget* parent = nullptr);
    ~SplitScreen() override;

signals:
    void ShowSplitScreenSig(QString& strItemText);

public slots:
    void on_listWidget_itemClicked(QListWidgetItem* pItem);
    void reTranslateUI();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FillList();

    Ui::SplitScreen* ui;
};
