#include "FrameSlot.h"

#include "WidgetPresenter.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

namespace vendaro {

FrameSlot::FrameSlot(MAVRO_HWND window) : m_window(window)
{
}

FrameSlot::~FrameSlot() = default;

bool FrameSlot::onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool FrameSlot::attach()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    if (onGuiThread())
        return attachOnGuiThread();
    std::weak_ptr<FrameSlot> weak = shared_from_this();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak] {
            if (auto slot = weak.lock())
                slot->attachOnGuiThread();
        },
        Qt::QueuedConnection);
    return true;
}

bool FrameSlot::attachOnGuiThread()
{
    if (m_detached)
        return true;
    QWidget* widget = QWidget::find(WId(m_window));
    if (!widget)
        return false;
    m_presenter = new WidgetPresenter(widget, weak_from_this());
    return true;
}

void FrameSlot::detach()
{
    m_detached = true;
    if (onGuiThread()) {
        detachOnGuiThread();
        return;
    }
    if (!QCoreApplication::instance())
        return;
    // The slot may be gone before the GUI thread runs this; keep it alive.
    auto self = shared_from_this();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [self] { self->detachOnGuiThread(); }, Qt::QueuedConnection);
}

void FrameSlot::detachOnGuiThread()
{
    delete m_presenter.data();
}

void FrameSlot::offer(QImage image)
{
    if (m_detached || !QCoreApplication::instance())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.push_back(std::move(image));
        if (m_pending.size() > kQueuedPictures)
            m_pending.pop_front();
        if (m_delivery != Delivery::None)
            return;
        m_delivery = Delivery::Queued;
    }
    queueDelivery();
}

void FrameSlot::queueDelivery()
{
    std::weak_ptr<FrameSlot> weak = shared_from_this();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak] {
            if (auto slot = weak.lock())
                slot->deliver();
        },
        Qt::QueuedConnection);
}

void FrameSlot::deliver()
{
    QImage image;
    const bool drawing = m_presenter && !m_detached;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (drawing && !m_pending.empty()) {
            image = std::move(m_pending.front());
            m_pending.pop_front();
        } else {
            m_pending.clear();
        }
        m_delivery = image.isNull() ? Delivery::None : Delivery::Painting;
    }
    if (!image.isNull())
        m_presenter->show(image);
}

void FrameSlot::pictureShown()
{
    ++m_shown;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_delivery != Delivery::Painting)
            return; // a repaint of a picture painted before
        if (m_pending.empty()) {
            m_delivery = Delivery::None;
            return;
        }
        m_delivery = Delivery::Queued;
    }
    queueDelivery();
}

QSize FrameSlot::targetSize() const
{
    return QSize(m_targetWidth.load(), m_targetHeight.load());
}

void FrameSlot::setTargetSize(const QSize& size)
{
    m_targetWidth = size.width();
    m_targetHeight = size.height();
}

} // namespace vendaro
