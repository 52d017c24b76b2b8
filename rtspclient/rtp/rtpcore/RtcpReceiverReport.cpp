#include "rtpcore/RtcpReceiverReport.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

bool RtcpReceiverReport::Parse(const RtcpPacket& packet, RtcpReceiverReport& report)
{
    if (packet.type != kRtcpReceiverReport)
        return false;
    if (packet.bodySize < 4 + size_t(packet.count) * RtcpReportBlock::kSize)
        return false;
    report.ssrc = ReadBe32(packet.body);
    report.blockCount = packet.count;
    report.m_blocks = packet.body + 4;
    return true;
}

RtcpReportBlock RtcpReceiverReport::Block(uint8_t index) const
{
    return index < blockCount ? RtcpReportBlock::Read(m_blocks + size_t(index) * RtcpReportBlock::kSize)
                              : RtcpReportBlock();
}

} // namespace rtpcore
