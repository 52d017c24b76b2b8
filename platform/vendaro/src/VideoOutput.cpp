#include "VideoOutput.h"

#include "FrameSlot.h"

#include <cstring>

namespace vendaro {

VideoOutput::VideoOutput() : m_lastFrame(av_frame_alloc())
{
}

VideoOutput::~VideoOutput()
{
    detach();
    av_frame_free(&m_lastFrame);
}

bool VideoOutput::attach(MAVRO_HWND window)
{
    detach();
    if (window == 0)
        return true;
    auto slot = std::make_shared<FrameSlot>(window);
    if (!slot->attach())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_slot = std::move(slot);
    return true;
}

void VideoOutput::detach()
{
    std::shared_ptr<FrameSlot> slot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        slot.swap(m_slot);
    }
    if (slot) {
        m_shownBefore += slot->shownFrames();
        slot->detach();
    }
}

std::shared_ptr<FrameSlot> VideoOutput::currentSlot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slot;
}

void VideoOutput::countDecoded(const AVFrame* frame)
{
    ++m_decoded;
    std::lock_guard<std::mutex> lock(m_mutex);
    av_frame_unref(m_lastFrame);
    av_frame_ref(m_lastFrame, frame); // shares the decoder's buffer, no copy
}

void VideoOutput::present(const AVFrame* frame)
{
    auto slot = currentSlot();
    if (!slot || !slot->hasTarget())
        return;
    QImage image = m_scaler.toImage(frame, slot->targetSize());
    if (!image.isNull())
        slot->offer(std::move(image));
}

void VideoOutput::resetCounters()
{
    m_decoded = 0;
    // Counts wrap modulo 2^32, so this offset makes the sum start at zero.
    auto slot = currentSlot();
    m_shownBefore = 0u - (slot ? slot->shownFrames() : 0u);
}

unsigned int VideoOutput::shownFrames() const
{
    auto slot = currentSlot();
    return m_shownBefore.load() + (slot ? slot->shownFrames() : 0);
}

bool VideoOutput::lastFrameImage(unsigned char* buffer, unsigned int bufferSize, int* width, int* height)
{
    AVFrame* frame = av_frame_alloc();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_lastFrame->width > 0)
            av_frame_ref(frame, m_lastFrame);
    }
    bool ok = frame->width > 0;
    if (ok) {
        const QSize size(frame->width, frame->height);
        if (width)
            *width = size.width();
        if (height)
            *height = size.height();
        const size_t bytes = size_t(size.width()) * size.height() * 4;
        if (buffer) {
            ok = bufferSize >= bytes;
            FrameScaler scaler;
            const QImage image = ok ? scaler.toImage(frame, size) : QImage();
            ok = ok && !image.isNull();
            for (int row = 0; ok && row < size.height(); ++row)
                std::memcpy(buffer + size_t(row) * size.width() * 4, image.constScanLine(row),
                            size_t(size.width()) * 4);
        }
    }
    av_frame_free(&frame);
    return ok;
}

} // namespace vendaro
