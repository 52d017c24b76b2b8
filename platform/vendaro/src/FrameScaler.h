#pragma once

#include <QImage>
#include <QSize>

extern "C" {
#include <libavutil/frame.h>
}

struct SwsContext;

namespace vendaro {

// Converts decoded pictures to 32-bit RGB images of a given size, keeping
// the conversion contexts while the sizes stay the same.
class FrameScaler
{
public:
    FrameScaler() = default;
    ~FrameScaler();
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;

    // A null image when the frame cannot be converted.
    QImage toImage(const AVFrame* frame, QSize size);

private:
    bool shrinkInItsOwnFormat(const AVFrame* frame, QSize size);
    QImage convert(const AVFrame* frame, QSize size, int filter);

    SwsContext* m_context = nullptr;
    SwsContext* m_shrinkContext = nullptr;
    AVFrame* m_shrunk = nullptr;
};

} // namespace vendaro
