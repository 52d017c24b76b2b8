#include "QWinNativeEventFilter.h"

#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>
#include <QWindow>

namespace {

Qt::CursorShape CursorFor(Qt::Edges edges)
{
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::LeftEdge | Qt::RightEdge))
        return Qt::SizeHorCursor;
    return Qt::SizeVerCursor;
}

bool IsResizable(const QMainWindow* window)
{
    return (window->windowFlags() & Qt::FramelessWindowHint) && window->minimumSize() != window->maximumSize() &&
           !(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
}

} // namespace

QWinNativeEventFilter::QWinNativeEventFilter(QObject* parent) : QObject(parent)
{
}

QWinNativeEventFilter::~QWinNativeEventFilter()
{
    if (overrideCursorShown)
        QGuiApplication::restoreOverrideCursor();
}

QMainWindow* QWinNativeEventFilter::ManagedWindowOf(QObject* watched)
{
    // The platform's mouse events reach the top-level QWindow first, whichever
    // widget (with or without mouse tracking) lies below the pointer.
    if (!watched->isWindowType())
        return nullptr;
    auto* handle = static_cast<QWindow*>(watched);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == handle)
            return qobject_cast<QMainWindow*>(widget);
    }
    return nullptr;
}

bool QWinNativeEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: break;
    case QEvent::Leave:
    case QEvent::Hide:
        // The cursor is the application's: once the pointer has left the
        // window's bands it must not stay over other windows.
        if (watched->isWindowType() && !manualResize.window)
            ShowResizeCursor({});
        return false;
    case QEvent::WindowStateChange:
        if (auto* window = qobject_cast<QMainWindow*>(watched); window && window->isWindow() &&
                                                                (window->windowFlags() & Qt::FramelessWindowHint) &&
                                                                window->minimumSize() != window->maximumSize())
            UpdateMaximizedState(window);
        return false;
    default: return false;
    }
    QMainWindow* window = ManagedWindowOf(watched);
    if (!window) {
        // A move over another window of the program (a dialog, a pop-up) that
        // came without a Leave of the main window.
        if (watched->isWindowType() && !manualResize.window)
            ShowResizeCursor({});
        return false;
    }
    return HandleMouse(window, static_cast<QWindow*>(watched), static_cast<QMouseEvent*>(event));
}

bool QWinNativeEventFilter::HandleMouse(QMainWindow* window, QWindow* handle, QMouseEvent* event)
{
    if (manualResize.window) {
        if (event->type() == QEvent::MouseMove && (event->buttons() & Qt::LeftButton)) {
            ResizeByHand(event->globalPos());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton) {
            manualResize.window.clear();
            return true;
        }
    }
    if (!IsResizable(window)) {
        ShowResizeCursor({});
        return false;
    }

    const Qt::Edges edges = FramelessHitTest(window->frameGeometry(), event->globalPos(), bands);
    if (event->type() == QEvent::MouseMove && event->buttons() == Qt::NoButton) {
        ShowResizeCursor(edges);
        return false;
    }
    if (event->type() != QEvent::MouseButtonPress || event->button() != Qt::LeftButton || !edges)
        return false;

    if (!handle->startSystemResize(edges))
        manualResize = {window, edges, window->geometry(), event->globalPos()};
    return true;
}

void QWinNativeEventFilter::ResizeByHand(const QPoint& globalPos)
{
    QMainWindow* window = manualResize.window;
    const QPoint delta = globalPos - manualResize.startPos;
    QRect geometry = manualResize.startGeometry;
    const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
    const QSize maximum = window->maximumSize();
    // Moving an edge keeps the opposite one where it is, within the size limits.
    if (manualResize.edges & Qt::LeftEdge) {
        const int width = qBound(minimum.width(), geometry.width() - delta.x(), maximum.width());
        geometry.setLeft(geometry.right() + 1 - width);
    }
    if (manualResize.edges & Qt::RightEdge)
        geometry.setWidth(qBound(minimum.width(), geometry.width() + delta.x(), maximum.width()));
    if (manualResize.edges & Qt::TopEdge) {
        const int height = qBound(minimum.height(), geometry.height() - delta.y(), maximum.height());
        geometry.setTop(geometry.bottom() + 1 - height);
    }
    if (manualResize.edges & Qt::BottomEdge)
        geometry.setHeight(qBound(minimum.height(), geometry.height() + delta.y(), maximum.height()));
    window->setGeometry(geometry);
}

void QWinNativeEventFilter::ShowResizeCursor(Qt::Edges edges)
{
    if (!edges) {
        if (overrideCursorShown) {
            QGuiApplication::restoreOverrideCursor();
            overrideCursorShown = false;
        }
        return;
    }
    const Qt::CursorShape shape = CursorFor(edges);
    if (overrideCursorShown && shape == overrideShape)
        return;
    if (overrideCursorShown)
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    else
        QGuiApplication::setOverrideCursor(QCursor(shape));
    overrideCursorShown = true;
    overrideShape = shape;
}

bool QWinNativeEventFilter::IsTrackedAsMaximized(QMainWindow* window) const
{
    return maximizedWindows.contains(window);
}

void QWinNativeEventFilter::UpdateMaximizedState(QMainWindow* window)
{
    const bool maximized = window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    if (maximized == maximizedWindows.contains(window))
        return;
    if (maximized) {
        // No frame lies off screen on X11, so the whole margin goes.
        window->setContentsMargins(0, 0, 0, 0);
        maximizedWindows.insert(window);
        // A window destroyed while maximised must not leave its address behind
        // for the next window made at the same place.
        connect(window, &QObject::destroyed, this,
                [this](QObject* gone) { maximizedWindows.remove(static_cast<QWidget*>(gone)); });
    } else {
        window->setContentsMargins(kShadowMargin, kShadowMargin, kShadowMargin, kShadowMargin);
        maximizedWindows.remove(window);
        disconnect(window, &QObject::destroyed, this, nullptr);
    }
    if (auto* button = window->findChild<QToolButton*>(QStringLiteral("toolButton_max"))) {
        button->setProperty("maximizeProperty", maximized);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
}
