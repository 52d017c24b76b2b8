#include "rtpcore/RtcpSenderReport.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

namespace {
constexpr size_t kSenderInfoSize = 24; // SSRC + NTP + RTP timestamp + two counts
}

bool RtcpSenderReport::Parse(const RtcpPacket& packet, RtcpSenderReport& report)
{
    if (packet.type != kRtcpSenderReport)
        return false;
    if (packet.bodySize < kSenderInfoSize + size_t(packet.count) * RtcpReportBlock::kSize)
        return false;
    const uint8_t* p = packet.body;
    report.ssrc = ReadBe32(p);
    report.ntpTime.seconds = ReadBe32(p + 4);
    report.ntpTime.fraction = ReadBe32(p + 8);
    report.rtpTimestamp = ReadBe32(p + 12);
    report.packetCount = ReadBe32(p + 16);
    report.octetCount = ReadBe32(p + 20);
    report.blockCount = packet.count;
    report.m_blocks = p + kSenderInfoSize;
    return true;
}

RtcpReportBlock RtcpSenderReport::Block(uint8_t index) const
{
    return index < blockCount ? RtcpReportBlock::Read(m_blocks + size_t(index) * RtcpReportBlock::kSize)
                              : RtcpReportBlock();
}

} // namespace rtpcore
