#pragma once

#include "Vendaro.h"

#include <QImage>
#include <QPointer>
#include <QSize>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace vendaro {

class WidgetPresenter;

// The meeting point of a port's decoding thread and the GUI thread. The
// decoding thread offers finished pictures and never waits. Pictures that
// arrive together (a network burst, a GUI busy for a moment) are drawn one
// paint each rather than only the last; beyond a few the oldest go, so a
// slow GUI skips pictures instead of piling them up. At most one delivery is
// under way to the GUI thread at a time: the next one follows the paint.
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
    void pictureShown();

private:
    // Pictures waiting for the GUI thread beyond the one it is drawing.
    static constexpr size_t kQueuedPictures = 3;

    static bool onGuiThread();
    bool attachOnGuiThread();
    void detachOnGuiThread();
    void deliver();
    void queueDelivery();

    const MAVRO_HWND m_window;
    std::atomic<int> m_targetWidth{0};
    std::atomic<int> m_targetHeight{0};
    std::atomic<unsigned int> m_shown{0};
    std::atomic<bool> m_detached{false};

    std::mutex m_mutex; // guards the two members below
    std::deque<QImage> m_pending;
    enum class Delivery { None, Queued, Painting } m_delivery = Delivery::None;

    QPointer<WidgetPresenter> m_presenter; // GUI thread only
};

} // namespace vendaro
