#pragma once

#include "FramelessHitTest.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>

class QMainWindow;
class QMouseEvent;
class QWidget;
class QWindow;

// Gives the client's frameless main window what a window manager's frame
// would: resizing from a 5-pixel band just inside its 12-pixel shadow margin
// on every edge and corner, the resize cursors over those bands, and the
// maximised look (no shadow margin, the maximise button restyled through its
// "maximizeProperty").
//
// Installed once on the application (QCoreApplication::installEventFilter), it
// sees the mouse events of every top-level QWindow before Qt hands them to the
// widgets. Only frameless QMainWindows that are not fixed in size are touched;
// dialogs and other windows never are. Resizing asks the window manager
// (QWindow::startSystemResize); without one (a bare X server) the filter
// resizes the window itself while the button is held. GUI thread only.
class QWinNativeEventFilter : public QObject
{
    Q_OBJECT

public:
    static constexpr int kShadowMargin = 12;

    explicit QWinNativeEventFilter(QObject* parent = nullptr);
    ~QWinNativeEventFilter() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Restyles a window after a change of its maximised state: margins off
    // while maximised, the shadow margin back on restore, and the maximise
    // button's "maximizeProperty" set to match. Only transitions change
    // anything; a window without "toolButton_max" still gets its margins.
    void UpdateMaximizedState(QMainWindow* window);
    bool IsTrackedAsMaximized(QMainWindow* window) const;

private:
    static QMainWindow* ManagedWindowOf(QObject* watched);
    bool HandleMouse(QMainWindow* window, QWindow* handle, QMouseEvent* event);
    void ShowResizeCursor(Qt::Edges edges);
    void ResizeByHand(const QPoint& globalPos);

    FramelessBands bands;
    QSet<QWidget*> maximizedWindows;
    bool overrideCursorShown = false;
    Qt::CursorShape overrideShape = Qt::ArrowCursor;

    // A resize the filter carries out itself because no window manager took it.
    struct ManualResize
    {
        QPointer<QMainWindow> window;
        Qt::Edges edges;
        QRect startGeometry;
        QPoint startPos;
    } manualResize;
};
