#pragma once

#include <QPointer>
#include <QWidget>

// A top-level window of its own that shows one widget alone on the whole
// screen and then puts it back where it was, in the same layout cell.
//
// The widget is moved, never turned into a window itself: a native child
// keeps its X window (and so whatever draws into it) through the move, and
// the window manager only ever sees this host appear and go, which it
// handles reliably where flipping an embedded widget's window flags does not.
// A guest that is a window itself simply goes full screen and back.
// Escape, or the window manager closing the host, leaves full screen.
class FullScreenHost : public QWidget
{
    Q_OBJECT

public:
    explicit FullScreenHost(QWidget* guest);
    // Puts the guest back first, so it never dies with the host.
    ~FullScreenHost() override;

    void Enter();
    void Leave();
    bool IsActive() const { return active; }

signals:
    void LeftFullScreen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void JoinWindowOf(QWidget* widget);
    void ReturnGuest();

    QPointer<QWidget> guest;
    QPointer<QWidget> home;
    QPointer<QWidget> placeholder;
    QRect homeGeometry;
    bool active = false;
};
