#include "rtpcore/RtcpReportBlock.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

RtcpReportBlock RtcpReportBlock::Read(const uint8_t* p)
{
    RtcpReportBlock block;
    block.ssrc = ReadBe32(p);
    block.fractionLost = p[4];
    uint32_t lost = (uint32_t(p[5]) << 16) | (uint32_t(p[6]) << 8) | p[7];
    if (lost & 0x800000)
        lost |= 0xFF000000u; // sign-extend the 24-bit count
    block.cumulativeLost = int32_t(lost);
    block.extendedHighestSequence = ReadBe32(p + 8);
    block.jitter = ReadBe32(p + 12);
    block.lastSenderReport = ReadBe32(p + 16);
    block.delaySinceLastSenderReport = ReadBe32(p + 20);
    return block;
}

void RtcpReportBlock::Write(uint8_t* p) const
{
    WriteBe32(p, ssrc);
    p[4] = fractionLost;
    const uint32_t lost = uint32_t(cumulativeLost) & 0xFFFFFF;
    p[5] = uint8_t(lost >> 16);
    p[6] = uint8_t(lost >> 8);
    p[7] = uint8_t(lost);
    WriteBe32(p + 8, extendedHighestSequence);
    WriteBe32(p + 12, jitter);
    WriteBe32(p + 16, lastSenderReport);
    WriteBe32(p + 20, delaySinceLastSenderReport);
}

} // namespace rtpcore
