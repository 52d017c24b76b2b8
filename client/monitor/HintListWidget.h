#pragma once

#include <QListWidget>

// The pop-up list of earlier device searches under the search box. It takes
// no focus; the window forwards the arrow and Enter keys of the search box.
class HintListWidget : public QListWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 220;
    static constexpr int kItemHeight = 32;

    explicit HintListWidget(QWidget* parent = nullptr);

    void keyPressEvent(QKeyEvent* event) override;

signals:
    void SelectedSig(QString text);
};
