#pragma once

#include <QDialog>

#include <memory>

class QTimer;

namespace Ui {
class BusyWaitDialog;
}

// A dark translucent overlay with an endless loading animation and a tip
// text, shown by its owner while slow work runs.
class BusyWaitDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kFrameCount = 70;
    static constexpr int kFrameIntervalMs = 50;

    explicit BusyWaitDialog(QWidget* parent = nullptr);
    ~BusyWaitDialog() override;

    void SetTipText(const QString& text);
    int CurrentFrame() const { return m_nFrame; }
    bool IsAnimating() const;

    Q_INVOKABLE void UpdateStatePic();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowFrame(int frame);

    std::unique_ptr<Ui::BusyWaitDialog> ui;
    QTimer* m_pTimer = nullptr;
    int m_nFrame = 0;
};
