#pragma once

#include "InputBuffer.h"
#include "RtpDepacketizer.h"
#include "MediaDecoder.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

struct AVFormatContext;
struct AVIOContext;

namespace vendaro {

class VideoOutput;

// Decodes one live stream pushed in block by block. The header decides the
// transport: SDP text means whole RTP packets follow (other records of the
// RTSP library may be mixed in and are dropped); anything else is the
// device's stream header, followed by MPEG-TS. A later SDP block switches to,
// or restarts, the RTP path.
class StreamSession : public std::enable_shared_from_this<StreamSession>
{
public:
    static std::shared_ptr<StreamSession> open(const uint8_t* header, size_t headerSize, size_t bufferSize,
                                               std::shared_ptr<VideoOutput> output, unsigned int& error);
    ~StreamSession();

    void shutdown();
    bool input(const uint8_t* data, size_t size) { return m_input.push(data, size); }
    // Whether decoded pictures are drawn (played and not paused).
    void setPresenting(bool presenting) { m_presenting = presenting; }

private:
    StreamSession(size_t bufferSize, std::shared_ptr<VideoOutput> output);
    void run();
    void runRtp();
    void runTransportStream();
    void useSdp(const std::vector<uint8_t>& sdp);
    void handleRtpBlock(const std::vector<uint8_t>& block);
    void decodeAccessUnit(const AccessUnit& unit);
    void onFrame(const AVFrame* frame);
    static int readTransportStream(void* opaque, uint8_t* buffer, int size);

    InputBuffer m_input;
    const std::shared_ptr<VideoOutput> m_output;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_presenting{false};

    // Decoding thread only.
    std::optional<std::vector<uint8_t>> m_sdp; // set: RTP path
    std::optional<SdpVideoTrack> m_track;
    std::unique_ptr<RtpDepacketizer> m_depacketizer;
    MediaDecoder m_decoder;
    AVPacket* m_packet = nullptr;
    std::vector<uint8_t> m_pendingBytes; // MPEG-TS bytes not yet read
    size_t m_pendingOffset = 0;

    std::thread m_thread;
};

} // namespace vendaro
