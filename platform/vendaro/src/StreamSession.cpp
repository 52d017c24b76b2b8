#include "StreamSession.h"

#include "SdpVideoTrack.h"
#include "Vendaro.h"
#include "VideoOutput.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

namespace vendaro {

namespace {

constexpr size_t kDefaultBufferSize = 6 * 1024 * 1024;
constexpr size_t kMinimumBufferSize = 256 * 1024;
constexpr size_t kMaximumBufferSize = 256 * 1024 * 1024;
constexpr int kReadBufferSize = 64 * 1024;
// How often a waiting decoding thread looks at its stop flag.
constexpr std::chrono::milliseconds kPollInterval{100};

int interruptWhenStopping(void* flag)
{
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// Without the demuxer's parser a packet's key flag depends on the sender
// marking random access points, so look for a key picture's NAL unit too.
bool containsKeyPicture(const uint8_t* data, size_t size, AVCodecID codec)
{
    for (size_t i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const uint8_t header = data[i + 3];
        if (codec == AV_CODEC_ID_H264 && (header & 0x1f) == 5)
            return true;
        if (codec == AV_CODEC_ID_HEVC && ((header >> 1) & 0x3f) >= 16 && ((header >> 1) & 0x3f) <= 21)
            return true;
    }
    return false;
}

size_t bufferSizeFor(size_t requested)
{
    return requested == 0 ? kDefaultBufferSize : std::clamp(requested, kMinimumBufferSize, kMaximumBufferSize);
}

} // namespace

std::shared_ptr<StreamSession> StreamSession::open(const uint8_t* header, size_t headerSize, size_t bufferSize,
                                                   std::shared_ptr<VideoOutput> output, unsigned int& error)
{
    std::shared_ptr<StreamSession> session(new StreamSession(bufferSizeFor(bufferSize), std::move(output)));
    if (looksLikeSdp(header, headerSize))
        session->m_sdp = std::vector<uint8_t>(header, header + headerSize);
    // Anything else is the device's stream header: only its presence matters,
    // the MPEG-TS that follows describes itself.
    session->m_packet = av_packet_alloc();
    if (!session->m_packet) {
        error = MAVRO_ERR_RESOURCE;
        return nullptr;
    }
    try {
        auto self = session;
        session->m_thread = std::thread([self] { self->run(); });
    } catch (const std::system_error&) {
        error = MAVRO_ERR_RESOURCE;
        return nullptr;
    }
    return session;
}

StreamSession::StreamSession(size_t bufferSize, std::shared_ptr<VideoOutput> output)
    : m_input(bufferSize), m_output(std::move(output))
{
}

StreamSession::~StreamSession()
{
    shutdown();
    av_packet_free(&m_packet);
}

void StreamSession::shutdown()
{
    m_stop = true;
    m_input.close();
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else
            m_thread.join();
    }
}

void StreamSession::run()
{
    while (!m_stop) {
        if (m_sdp)
            runRtp();
        else
            runTransportStream();
    }
}

// ---- RTP ----

void StreamSession::runRtp()
{
    useSdp(*m_sdp);
    std::vector<uint8_t> block;
    while (!m_stop) {
        if (!m_input.pop(block, kPollInterval))
            continue;
        if (looksLikeSdp(block.data(), block.size()))
            useSdp(block);
        else
            handleRtpBlock(block);
    }
}

void StreamSession::useSdp(const std::vector<uint8_t>& sdp)
{
    m_sdp = sdp;
    m_track = parseSdpVideoTrack(std::string(sdp.begin(), sdp.end()));
    m_depacketizer.reset();
    if (!m_track)
        return; // no video we decode: every packet is dropped until a new SDP
    const AVCodecID codec = m_track->codec == VideoCodec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC;
    if (m_decoder.codec() != codec) {
        if (!m_decoder.open(codec, nullptr, true))
            return;
    } else {
        m_decoder.flush();
    }
    m_depacketizer = std::make_unique<RtpDepacketizer>(*m_track);
}

void StreamSession::handleRtpBlock(const std::vector<uint8_t>& block)
{
    if (!m_depacketizer)
        return;
    const uint8_t* data = block.data();
    size_t size = block.size();
    stripInterleavedFraming(data, size);
    const RtpParseResult parsed = parseRtpPacket(data, size);
    // Records of the RTSP library other than RTP, and other payload types
    // (audio, metadata), end here.
    if (!parsed.packet || parsed.packet->payloadType != m_track->payloadType)
        return;
    std::vector<AccessUnit> units;
    m_depacketizer->push(*parsed.packet, units);
    for (const AccessUnit& unit : units)
        decodeAccessUnit(unit);
}

void StreamSession::decodeAccessUnit(const AccessUnit& unit)
{
    if (av_new_packet(m_packet, int(unit.data.size())) < 0)
        return;
    std::memcpy(m_packet->data, unit.data.data(), unit.data.size());
    m_packet->pts = unit.timestamp;
    if (unit.keyFrame)
        m_packet->flags |= AV_PKT_FLAG_KEY;
    m_decoder.decode(m_packet, [this](const AVFrame* frame) { onFrame(frame); });
    av_packet_unref(m_packet);
}

void StreamSession::onFrame(const AVFrame* frame)
{
    m_output->countDecoded(frame);
    if (m_presenting)
        m_output->present(frame);
}

// ---- MPEG-TS ----

int StreamSession::readTransportStream(void* opaque, uint8_t* buffer, int size)
{
    auto* session = static_cast<StreamSession*>(opaque);
    while (session->m_pendingOffset >= session->m_pendingBytes.size()) {
        if (session->m_stop)
            return AVERROR_EOF;
        std::vector<uint8_t> block;
        if (!session->m_input.pop(block, kPollInterval))
            continue;
        if (looksLikeSdp(block.data(), block.size())) {
            session->m_sdp = std::move(block); // ends this demuxer; run() goes on with RTP
            session->m_pendingBytes.clear();
            session->m_pendingOffset = 0;
            return AVERROR_EOF;
        }
        session->m_pendingBytes = std::move(block);
        session->m_pendingOffset = 0;
    }
    const size_t count = std::min(size_t(size), session->m_pendingBytes.size() - session->m_pendingOffset);
    std::memcpy(buffer, session->m_pendingBytes.data() + session->m_pendingOffset, count);
    session->m_pendingOffset += count;
    return int(count);
}

void StreamSession::runTransportStream()
{
    auto* readBuffer = static_cast<uint8_t*>(av_malloc(kReadBufferSize));
    AVIOContext* io =
        readBuffer ? avio_alloc_context(readBuffer, kReadBufferSize, 0, this, readTransportStream, nullptr, nullptr)
                   : nullptr;
    AVFormatContext* context = io ? avformat_alloc_context() : nullptr;
    if (!context) {
        if (io)
            av_freep(&io->buffer);
        else
            av_free(readBuffer);
        avio_context_free(&io);
        m_stop = true; // out of memory: nothing sensible left to do
        return;
    }
    context->pb = io;
    // Each PES packet holds a whole picture; the parser would only hold every
    // picture back until the next one starts.
    context->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_NOPARSE;
    context->interrupt_callback = AVIOInterruptCB{interruptWhenStopping, &m_stop};

    if (avformat_open_input(&context, nullptr, av_find_input_format("mpegts"), nullptr) >= 0) {
        int videoStream = -1;
        bool waitForKey = true;
        while (!m_stop && av_read_frame(context, m_packet) >= 0) {
            const AVStream* stream = context->streams[m_packet->stream_index];
            if (videoStream < 0 && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                m_decoder.open(stream->codecpar->codec_id, stream->codecpar, true))
                videoStream = m_packet->stream_index;
            const bool keyPicture = m_packet->stream_index == videoStream &&
                                    ((m_packet->flags & AV_PKT_FLAG_KEY) ||
                                     containsKeyPicture(m_packet->data, size_t(m_packet->size), m_decoder.codec()));
            if (m_packet->stream_index == videoStream && (!waitForKey || keyPicture)) {
                waitForKey = false;
                m_decoder.decode(m_packet, [this](const AVFrame* frame) { onFrame(frame); });
            }
            av_packet_unref(m_packet);
        }
    }
    avformat_close_input(&context);
    av_freep(&io->buffer);
    avio_context_free(&io);
}

} // namespace vendaro
