#pragma once

#include "Vendaro.h"

#include <QImage>
#include <QPointer>
#include <QSize>

#include <atomic>
#include <memory>
#include <mutex>

namespace vendaro {

class WidgetPresenter;

// The meeting point of a port's decoding thread and the GUI thread. The
// decoding thread offers finished pictures and never waits; at most one
// delivery is queued to the GUI thread at a time, and it takes the newest
// picture, so a slow GUI skips pictures instead of piling them up.
class FrameSlot : public std::enable_shared_from_this<FrameSlot>
{
public:
    explicit FrameSlot(MAVRO_HWND window);
    ~FrameSlot();

    // Any thread. Fails (false) only when called on the GUI thread with a
    // window that is no widget; from other threads the widget is looked up
    // later on the GUI thread, and an unknown one simply shows nothing.
    bool attach();
    // Any thread: stops drawing; the widget paints itself again.
    void detach();

    void offer(QImage image);
    QSize targetSize() const;
    bool hasTarget() const { return targetSize().isValid(); }
    unsigned int shownFrames() const { return m_shown.load(); }

    // Called by the presenter on the GUI thread.
    void setTargetSize(const QSize& size);
    void countShown() { ++m_shown; }

private:
    static bool onGuiThread();
    bool attachOnGuiThread();
    void detachOnGuiThread();
    void deliver();

    const MAVRO_HWND m_window;
    std::atomic<int> m_targetWidth{0};
    std::atomic<int> m_targetHeight{0};
    std::atomic<unsigned int> m_shown{0};
    std::atomic<bool> m_detached{false};

    std::mutex m_mutex; // guards the two members below
    QImage m_pending;
    bool m_deliveryQueued = false;

    QPointer<WidgetPresenter> m_presenter; // GUI thread only
};

} // namespace vendaro
