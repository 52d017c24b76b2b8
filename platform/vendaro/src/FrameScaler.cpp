#include "FrameScaler.h"

extern "C" {
#include <libavutil/macros.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace vendaro {

namespace {

// Formats whose colour conversion at equal size has a vectorised path of
// its own; shrinking them first in their own format costs far less than
// shrinking and converting in one pass.
bool convertsFastUnscaled(int format)
{
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

// The vectorised colour conversion works in blocks of pixels: on a row of
// exact width it writes past the end of the row, or leaves its last pixels
// unwritten. Rows padded to whole blocks take all it writes.
QImage paddedImage(QSize size)
{
    const int rowBytes = FFALIGN(size.width(), 16) * 4;
    auto* bits = static_cast<uchar*>(av_malloc(size_t(rowBytes) * size.height()));
    if (!bits)
        return {};
    return QImage(bits, size.width(), size.height(), rowBytes, QImage::Format_RGB32, av_free, bits);
}

} // namespace

FrameScaler::~FrameScaler()
{
    sws_freeContext(m_context);
    sws_freeContext(m_shrinkContext);
    av_frame_free(&m_shrunk);
}

QImage FrameScaler::toImage(const AVFrame* frame, QSize size)
{
    if (frame->width <= 0 || frame->height <= 0 || size.isEmpty())
        return {};
    // Shrinking for a small pane is what a wall of live video does for every
    // picture: the two-tap filter costs a fraction of the widened one, and at
    // pane size the difference does not show. Enlarged pictures keep the full one.
    const bool shrinking = size.width() < frame->width && size.height() < frame->height;
    if (shrinking && convertsFastUnscaled(frame->format) && shrinkInItsOwnFormat(frame, size))
        return convert(m_shrunk, size, SWS_FAST_BILINEAR);
    return convert(frame, size, shrinking ? SWS_FAST_BILINEAR : SWS_BILINEAR);
}

bool FrameScaler::shrinkInItsOwnFormat(const AVFrame* frame, QSize size)
{
    const auto format = AVPixelFormat(frame->format);
    if (!m_shrunk || m_shrunk->width != size.width() || m_shrunk->height != size.height() ||
        m_shrunk->format != format) {
        av_frame_free(&m_shrunk);
        m_shrunk = av_frame_alloc();
        if (!m_shrunk)
            return false;
        m_shrunk->width = size.width();
        m_shrunk->height = size.height();
        m_shrunk->format = format;
        if (av_frame_get_buffer(m_shrunk, 0) < 0) {
            av_frame_free(&m_shrunk);
            return false;
        }
    }
    m_shrinkContext = sws_getCachedContext(m_shrinkContext, frame->width, frame->height, format, size.width(),
                                           size.height(), format, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    return m_shrinkContext && sws_scale(m_shrinkContext, frame->data, frame->linesize, 0, frame->height, m_shrunk->data,
                                        m_shrunk->linesize) > 0;
}

QImage FrameScaler::convert(const AVFrame* frame, QSize size, int filter)
{
    // QImage::Format_RGB32 keeps 0xffRRGGBB words: B, G, R, A bytes in memory.
    m_context = sws_getCachedContext(m_context, frame->width, frame->height, AVPixelFormat(frame->format), size.width(),
                                     size.height(), AV_PIX_FMT_BGRA, filter, nullptr, nullptr, nullptr);
    if (!m_context)
        return {};
    QImage image = paddedImage(size);
    if (image.isNull())
        return {};
    uint8_t* destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(m_context, frame->data, frame->linesize, 0, frame->height, destination, destinationStride) <= 0)
        return {};
    return image;
}

} // namespace vendaro
