#pragma once
#include <cstddef>
#include <cstdint>

namespace rtpcore {

// One reception report block of an SR or RR (24 bytes on the wire).
struct RtcpReportBlock
{
    static constexpr size_t kSize = 24;

    uint32_t ssrc = 0;
    uint8_t fractionLost = 0;
    int32_t cumulativeLost = 0; // signed 24-bit on the wire
    uint32_t extendedHighestSequence = 0;
    uint32_t jitter = 0;
    uint32_t lastSenderReport = 0;
    uint32_t delaySinceLastSenderReport = 0;

    static RtcpReportBlock Read(const uint8_t* p);
    void Write(uint8_t* p) const;
};

} // namespace rtpcore
