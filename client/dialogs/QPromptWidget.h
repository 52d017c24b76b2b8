#pragma once

#include <QBasicTimer>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class PromptWidget;
}

// The client's toast: one short message with a kind picture, centred over
// the window that asked for it, closing itself after a given time. At most
// one exists; it has no Qt parent and deletes itself. GUI thread only.
class QPromptWidget : public QWidget
{
    Q_OBJECT

public:
    enum MsgType : int { Tips = 0, Warm = 1, Fail = 2, Succ = 3 };

    static void ShowPrompt(const MsgType& type, const QString& text, QWidget* parent, int ms);

    QPromptWidget(const MsgType& type, const QString& text, QWidget* parent, int ms);
    ~QPromptWidget() override;

    void UpdatePrompt(const MsgType& type, const QString& text, int ms);
    bool IsDifferent(const MsgType& type, const QString& text, QWidget* parent) const;
    void MoveToCenter(QWidget* parent);

    // The toast on screen or about to be deleted; null when none exists.
    static QPromptWidget* Current();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void StartCloseTimer();
    void FitText(const QString& text);

    std::unique_ptr<Ui::PromptWidget> ui;
    // Watched: the asking window may be destroyed while its toast still shows.
    QPointer<QWidget> m_pParent;
    MsgType m_type;
    QBasicTimer m_closeTimer;
    QBasicTimer m_durationTimer;
};
