#pragma once

#include <functional>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace vendaro {

// One libavcodec decoder, of pictures or of sound. Frames come out through
// the handler given to decode(), on the calling thread.
class MediaDecoder
{
public:
    using FrameHandler = std::function<void(const AVFrame*)>;

    MediaDecoder() = default;
    ~MediaDecoder();
    MediaDecoder(const MediaDecoder&) = delete;
    MediaDecoder& operator=(const MediaDecoder&) = delete;

    // lowDelay: output each picture as soon as it is decoded (live streams).
    bool open(AVCodecID codec, const AVCodecParameters* parameters, bool lowDelay);
    void close();
    bool isOpen() const { return m_context != nullptr; }
    AVCodecID codec() const { return m_context ? m_context->codec_id : AV_CODEC_ID_NONE; }

    // A null packet drains the decoder. Returns false when the decoder refused
    // the packet; it stays usable and recovers at the next key frame.
    bool decode(const AVPacket* packet, const FrameHandler& handler);
    void flush();

private:
    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
};

} // namespace vendaro
