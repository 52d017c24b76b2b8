#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vendaro {

// One RTP packet's header fields and payload, pointing into the caller's bytes.
struct RtpPacket
{
    uint8_t payloadType = 0;
    bool marker = false;
    uint16_t sequence = 0;
    uint32_t timestamp = 0;
    uint32_t ssrc = 0;
    const uint8_t* payload = nullptr;
    size_t payloadSize = 0;
};

enum class RtpParseError {
    TooShort,
    NotVersion2,
    CsrcPastEnd,
    ExtensionPastEnd,
    PaddingTooLong,
};

struct RtpParseResult
{
    std::optional<RtpPacket> packet;
    RtpParseError error = RtpParseError::TooShort;
};

// Checks every length against the bytes present (RFC 3550, section 5.1).
RtpParseResult parseRtpPacket(const uint8_t* data, size_t size);

// Strips the 4-byte '$' framing of RTP interleaved in RTSP when it frames
// exactly this block; returns the block unchanged otherwise.
void stripInterleavedFraming(const uint8_t*& data, size_t& size);

} // namespace vendaro
