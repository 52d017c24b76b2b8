#include "MediaDecoder.h"

namespace vendaro {

MediaDecoder::~MediaDecoder()
{
    close();
}

bool MediaDecoder::open(AVCodecID codecId, const AVCodecParameters* parameters, bool lowDelay)
{
    close();
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (!codec)
        return false;
    m_context = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    if (!m_context || !m_frame || (parameters && avcodec_parameters_to_context(m_context, parameters) < 0)) {
        close();
        return false;
    }
    // One thread per port: many ports decode at once, and frame threads
    // would add a picture of delay each to live video.
    m_context->thread_count = 1;
    if (lowDelay)
        m_context->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (avcodec_open2(m_context, codec, nullptr) < 0) {
        close();
        return false;
    }
    return true;
}

void MediaDecoder::close()
{
    avcodec_free_context(&m_context);
    av_frame_free(&m_frame);
}

bool MediaDecoder::decode(const AVPacket* packet, const FrameHandler& handler)
{
    if (!m_context)
        return false;
    const bool accepted = avcodec_send_packet(m_context, packet) >= 0;
    while (avcodec_receive_frame(m_context, m_frame) >= 0) {
        handler(m_frame);
        av_frame_unref(m_frame);
    }
    return accepted;
}

void MediaDecoder::flush()
{
    if (m_context)
        avcodec_flush_buffers(m_context);
}

} // namespace vendaro
