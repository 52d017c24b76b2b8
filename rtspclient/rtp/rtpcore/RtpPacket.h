#pragma once
#include <cstddef>
#include <cstdint>

namespace rtpcore {

enum class RtpParseError {
    None,
    TooShort,         // fewer than the 12 bytes of the fixed header
    BadVersion,       // version is not 2
    CsrcPastEnd,      // the CSRC list runs past the end
    ExtensionPastEnd, // the header extension runs past the end
    BadPadding,       // padding count 0 or longer than the payload
    RtcpPayloadType,  // second byte 200..204: an RTCP packet sent to the RTP port
};

const char* RtpParseErrorText(RtpParseError error);

// A parsed RTP packet: a view into the caller's buffer, valid while it lives.
class RtpPacket
{
public:
    static RtpParseError Parse(const uint8_t* data, size_t size, RtpPacket& packet);

    const uint8_t* data = nullptr; // whole packet
    size_t size = 0;
    bool padding = false;
    bool extension = false;
    bool marker = false;
    uint8_t payloadType = 0;
    uint16_t sequence = 0;
    uint32_t timestamp = 0;
    uint32_t ssrc = 0;
    uint8_t csrcCount = 0;
    uint16_t extensionProfile = 0;
    const uint8_t* extensionData = nullptr; // the extension's words, after its 4-byte head
    size_t extensionSize = 0;
    const uint8_t* payload = nullptr;
    size_t payloadSize = 0;
    size_t paddingSize = 0;

    uint32_t Csrc(size_t index) const;
};

} // namespace rtpcore
