#include "rtpcore/RtcpCompoundBuilder.h"

#include <cstring>

#include "rtpcore/ByteOrder.h"
#include "rtpcore/RtcpPacket.h"
#include "rtpcore/RtcpSourceDescription.h"

namespace rtpcore {

namespace {
void SetLength(uint8_t* header, size_t packetSize)
{
    WriteBe16(header + 2, uint16_t(packetSize / 4 - 1));
}
} // namespace

RtcpCompoundBuilder::RtcpCompoundBuilder(size_t maxSize) : m_maxSize(maxSize)
{
    m_buffer.reserve(maxSize);
}

uint8_t* RtcpCompoundBuilder::BeginPacket(uint8_t type, uint8_t count, size_t size)
{
    const size_t offset = m_buffer.size();
    m_buffer.resize(offset + size, 0);
    uint8_t* header = m_buffer.data() + offset;
    header[0] = uint8_t(0x80 | count);
    header[1] = type;
    SetLength(header, size);
    return header;
}

void RtcpCompoundBuilder::BeginReceiverReport(uint32_t ssrc)
{
    m_buffer.clear();
    m_reportOffset = 0;
    WriteBe32(BeginPacket(kRtcpReceiverReport, 0, 8) + 4, ssrc);
}

void RtcpCompoundBuilder::BeginSenderReport(uint32_t ssrc, const NtpTime& ntpTime, uint32_t rtpTimestamp,
                                            uint32_t packetCount, uint32_t octetCount)
{
    m_buffer.clear();
    m_reportOffset = 0;
    uint8_t* p = BeginPacket(kRtcpSenderReport, 0, 28);
    WriteBe32(p + 4, ssrc);
    WriteBe32(p + 8, ntpTime.seconds);
    WriteBe32(p + 12, ntpTime.fraction);
    WriteBe32(p + 16, rtpTimestamp);
    WriteBe32(p + 20, packetCount);
    WriteBe32(p + 24, octetCount);
}

bool RtcpCompoundBuilder::AddReportBlock(const RtcpReportBlock& block)
{
    uint8_t count = m_buffer[m_reportOffset] & 0x1F;
    if (count >= kMaxReportBlocks || !Fits(RtcpReportBlock::kSize))
        return false;
    const size_t offset = m_buffer.size();
    m_buffer.resize(offset + RtcpReportBlock::kSize);
    block.Write(m_buffer.data() + offset);
    uint8_t* header = m_buffer.data() + m_reportOffset;
    header[0] = uint8_t(0x80 | (count + 1));
    SetLength(header, m_buffer.size() - m_reportOffset);
    return true;
}

bool RtcpCompoundBuilder::AddCname(uint32_t ssrc, std::string_view cname)
{
    if (cname.size() > 255)
        cname = cname.substr(0, 255);
    // header, SSRC, item type and length, text, at least one end octet, to 32 bits
    const size_t size = (4 + 4 + 2 + cname.size() + 1 + 3) & ~size_t(3);
    if (!Fits(size))
        return false;
    uint8_t* p = BeginPacket(kRtcpSourceDescription, 1, size);
    WriteBe32(p + 4, ssrc);
    p[8] = kSdesCname;
    p[9] = uint8_t(cname.size());
    std::memcpy(p + 10, cname.data(), cname.size());
    return true;
}

bool RtcpCompoundBuilder::AddBye(uint32_t ssrc, std::string_view reason)
{
    if (reason.size() > 255)
        reason = reason.substr(0, 255);
    const size_t size = reason.empty() ? 8 : (8 + 1 + reason.size() + 3) & ~size_t(3);
    if (!Fits(size))
        return false;
    uint8_t* p = BeginPacket(kRtcpBye, 1, size);
    WriteBe32(p + 4, ssrc);
    if (!reason.empty()) {
        p[8] = uint8_t(reason.size());
        std::memcpy(p + 9, reason.data(), reason.size());
    }
    return true;
}

} // namespace rtpcore
