#pragma once

#include <QImage>
#include <QSize>

extern "C" {
#include <libavutil/frame.h>
}

struct SwsContext;

namespace vendaro {

// Converts decoded pictures to 32-bit RGB images of a given size, keeping
// the conversion context while the sizes stay the same.
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
    SwsContext* m_context = nullptr;
};

} // namespace vendaro
