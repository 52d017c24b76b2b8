#pragma once
#include <cstdint>

#include "rtpcore/NtpTime.h"
#include "rtpcore/RtcpPacket.h"
#include "rtpcore/RtcpReportBlock.h"

namespace rtpcore {

// Sender report (type 200) read from a packet of a validated compound.
class RtcpSenderReport
{
public:
    static bool Parse(const RtcpPacket& packet, RtcpSenderReport& report);

    uint32_t ssrc = 0;
    NtpTime ntpTime;
    uint32_t rtpTimestamp = 0;
    uint32_t packetCount = 0;
    uint32_t octetCount = 0;
    uint8_t blockCount = 0;

    RtcpReportBlock Block(uint8_t index) const;

private:
    const uint8_t* m_blocks = nullptr;
};

} // namespace rtpcore
