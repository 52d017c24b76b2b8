#pragma once

#include "PromptTip.h"

#include <QBasicTimer>
#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QIconPushButton;
class QLabel;

// The window of PromptTip. At most one exists: creating one deletes the previous.
class QPromptWidget : public QWidget
{
    Q_OBJECT

public:
    QPromptWidget(PromptTip::MsgType type, const QString& text, QWidget* widget, const QPoint& pos,
                  int msecDisplayTime);
    ~QPromptWidget() override;

    // The tip on screen now, or null.
    static QPromptWidget* current();

    // Shows another message in place; the same message again changes nothing.
    void showMessage(PromptTip::MsgType type, const QString& text, QWidget* widget, const QPoint& pos,
                     int msecDisplayTime);
    // Closes the tip shortly, unless it is already closing.
    void closeSoon();
    // Moves the tip to its place over the anchor widget.
    void placeOverAnchor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void setupForm();
    void closeAndDelete();

    struct Form
    {
        QHBoxLayout* horizontalLayout = nullptr;
        QLabel* labelText = nullptr;
        QIconPushButton* closeBtn = nullptr;
    } ui;
    // Guarded: the anchor may go away while the tip is up.
    QPointer<QWidget> m_widget;
    QPoint m_pos;
    PromptTip::MsgType m_type;
    QBasicTimer m_displayTimer;
    QBasicTimer m_closingTimer;
};
