#pragma once
#include <cstdint>
#include <string_view>

#include "rtpcore/RtcpPacket.h"

namespace rtpcore {

// Goodbye (type 203): the leaving sources and an optional reason.
class RtcpBye
{
public:
    static bool Parse(const RtcpPacket& packet, RtcpBye& bye);

    uint8_t sourceCount = 0;
    std::string_view reason;

    uint32_t Source(uint8_t index) const;

private:
    const uint8_t* m_sources = nullptr;
};

} // namespace rtpcore
