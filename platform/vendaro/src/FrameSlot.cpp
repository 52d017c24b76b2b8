#include "FrameSlot.h"

#include "WidgetPresenter.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

namespace vendaro {

FrameSlot::FrameSlot(MAVRO_HWND window)
    : m_window(window)
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
        QCoreApplication::instance(), [weak] {
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
        m_pending = std::move(image);
        if (m_deliveryQueued)
            return;
        m_deliveryQueued = true;
    }
    std::weak_ptr<FrameSlot> weak = shared_from_this();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [weak] {
            if (auto slot = weak.lock())
                slot->deliver();
        },
        Qt::QueuedConnection);
}

void FrameSlot::deliver()
{
    QImage image;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        image = std::move(m_pending);
        m_pending = QImage();
        m_deliveryQueued = false;
    }
    if (m_presenter && !m_detached && !image.isNull())
        m_presenter->show(image);
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
