#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rtpcore/RtcpPacket.h"

namespace rtpcore {

// Application-defined packet (type 204).
class RtcpApp
{
public:
    static bool Parse(const RtcpPacket& packet, RtcpApp& app);

    uint8_t subtype = 0;
    uint32_t ssrc = 0;
    std::string_view name; // four ASCII characters
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
};

} // namespace rtpcore
