#pragma once
#include <cstddef>
#include <cstdint>

namespace rtpcore {

enum RtcpType : uint8_t {
    kRtcpSenderReport = 200,
    kRtcpReceiverReport = 201,
    kRtcpSourceDescription = 202,
    kRtcpBye = 203,
    kRtcpApp = 204,
};

// One packet of a validated compound packet: a view into the received buffer.
// `body` starts after the 4-byte common header and excludes padding.
class RtcpPacket
{
public:
    uint8_t type = 0;
    uint8_t count = 0;             // the 5-bit report / source count, or the APP subtype
    const uint8_t* data = nullptr; // the common header
    size_t size = 0;               // whole packet with header and padding
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
};

} // namespace rtpcore
