#include "FrameScaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace vendaro {

FrameScaler::~FrameScaler()
{
    sws_freeContext(m_context);
}

QImage FrameScaler::toImage(const AVFrame* frame, QSize size)
{
    if (frame->width <= 0 || frame->height <= 0 || size.isEmpty())
        return {};
    // Shrinking for a small pane is what a wall of live video does for every
    // picture: the two-tap filter costs a fraction of the widened one, and at
    // pane size the difference does not show. Enlarged pictures keep the full one.
    const bool shrinking = size.width() < frame->width && size.height() < frame->height;
    const int filter = shrinking ? SWS_FAST_BILINEAR : SWS_BILINEAR;
    // QImage::Format_RGB32 keeps 0xffRRGGBB words: B, G, R, A bytes in memory.
    m_context = sws_getCachedContext(m_context, frame->width, frame->height, AVPixelFormat(frame->format),
                                     size.width(), size.height(), AV_PIX_FMT_BGRA, filter, nullptr, nullptr, nullptr);
    if (!m_context)
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    uint8_t* destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(m_context, frame->data, frame->linesize, 0, frame->height, destination, destinationStride) <= 0)
        return {};
    return image;
}

} // namespace vendaro
