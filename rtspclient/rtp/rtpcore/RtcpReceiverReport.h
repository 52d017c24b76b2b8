#pragma once
#include <cstdint>

#include "rtpcore/RtcpPacket.h"
#include "rtpcore/RtcpReportBlock.h"

namespace rtpcore {

// Receiver report (type 201) read from a packet of a validated compound.
class RtcpReceiverReport
{
public:
    static bool Parse(const RtcpPacket& packet, RtcpReceiverReport& report);

    uint32_t ssrc = 0;
    uint8_t blockCount = 0;

    RtcpReportBlock Block(uint8_t index) const;

private:
    const uint8_t* m_blocks = nullptr;
};

} // namespace rtpcore
