#include "rtpcore/RtcpCompoundPacket.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

namespace {
constexpr size_t kCommonHeaderSize = 4;

size_t PacketSize(const uint8_t* header)
{
    return (size_t(ReadBe16(header + 2)) + 1) * 4;
}
} // namespace

const char* RtcpParseErrorText(RtcpParseError error)
{
    switch (error) {
    case RtcpParseError::None: return "no error";
    case RtcpParseError::TooShort: return "RTCP packet shorter than its common header";
    case RtcpParseError::BadVersion: return "RTCP version is not 2";
    case RtcpParseError::FirstNotReport: return "RTCP compound packet does not begin with SR or RR";
    case RtcpParseError::LengthPastEnd: return "RTCP length field past the end of the packet";
    case RtcpParseError::PaddingNotLast: return "RTCP padding on a packet other than the last";
    case RtcpParseError::BadPadding: return "RTCP padding count invalid";
    }
    return "unknown RTCP error";
}

RtcpParseError RtcpCompoundPacket::Parse(const uint8_t* data, size_t size, RtcpCompoundPacket& compound)
{
    if (data == nullptr || size < kCommonHeaderSize)
        return RtcpParseError::TooShort;
    if (data[1] != kRtcpSenderReport && data[1] != kRtcpReceiverReport)
        return RtcpParseError::FirstNotReport;

    size_t offset = 0;
    while (offset < size) {
        const uint8_t* header = data + offset;
        if (size - offset < kCommonHeaderSize)
            return RtcpParseError::LengthPastEnd;
        if ((header[0] >> 6) != 2)
            return RtcpParseError::BadVersion;
        const size_t packetSize = PacketSize(header);
        if (packetSize > size - offset)
            return RtcpParseError::LengthPastEnd;
        const bool last = offset + packetSize == size;
        if (header[0] & 0x20) {
            if (!last)
                return RtcpParseError::PaddingNotLast;
            const size_t padding = header[packetSize - 1];
            if (padding == 0 || padding > packetSize - kCommonHeaderSize)
                return RtcpParseError::BadPadding;
        }
        offset += packetSize;
    }
    compound.m_data = data;
    compound.m_size = size;
    return RtcpParseError::None;
}

RtcpPacket RtcpCompoundPacket::Iterator::operator*() const
{
    RtcpPacket packet;
    packet.data = m_position;
    packet.type = m_position[1];
    packet.count = m_position[0] & 0x1F;
    packet.size = PacketSize(m_position);
    const size_t padding = (m_position[0] & 0x20) ? m_position[packet.size - 1] : 0;
    packet.body = m_position + kCommonHeaderSize;
    packet.bodySize = packet.size - kCommonHeaderSize - padding;
    return packet;
}

RtcpCompoundPacket::Iterator& RtcpCompoundPacket::Iterator::operator++()
{
    m_position += PacketSize(m_position);
    if (m_position > m_end)
        m_position = m_end;
    return *this;
}

} // namespace rtpcore
