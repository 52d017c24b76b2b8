#include "rtpcore/RtpPacket.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

namespace {
constexpr size_t kFixedHeaderSize = 12;
constexpr uint8_t kRtpVersion = 2;
} // namespace

const char* RtpParseErrorText(RtpParseError error)
{
    switch (error) {
    case RtpParseError::None: return "no error";
    case RtpParseError::TooShort: return "RTP packet shorter than its fixed header";
    case RtpParseError::BadVersion: return "RTP version is not 2";
    case RtpParseError::CsrcPastEnd: return "RTP CSRC list past the end of the packet";
    case RtpParseError::ExtensionPastEnd: return "RTP header extension past the end of the packet";
    case RtpParseError::BadPadding: return "RTP padding count invalid";
    case RtpParseError::RtcpPayloadType: return "RTCP packet type in an RTP packet";
    }
    return "unknown RTP error";
}

RtpParseError RtpPacket::Parse(const uint8_t* data, size_t size, RtpPacket& packet)
{
    if (data == nullptr || size < kFixedHeaderSize)
        return RtpParseError::TooShort;
    if ((data[0] >> 6) != kRtpVersion)
        return RtpParseError::BadVersion;
    if (data[1] >= 200 && data[1] <= 204)
        return RtpParseError::RtcpPayloadType;

    RtpPacket p;
    p.data = data;
    p.size = size;
    p.padding = (data[0] & 0x20) != 0;
    p.extension = (data[0] & 0x10) != 0;
    p.csrcCount = data[0] & 0x0F;
    p.marker = (data[1] & 0x80) != 0;
    p.payloadType = data[1] & 0x7F;
    p.sequence = ReadBe16(data + 2);
    p.timestamp = ReadBe32(data + 4);
    p.ssrc = ReadBe32(data + 8);

    size_t header = kFixedHeaderSize + size_t(p.csrcCount) * 4;
    if (header > size)
        return RtpParseError::CsrcPastEnd;
    if (p.extension) {
        if (header + 4 > size)
            return RtpParseError::ExtensionPastEnd;
        p.extensionProfile = ReadBe16(data + header);
        p.extensionSize = size_t(ReadBe16(data + header + 2)) * 4;
        p.extensionData = data + header + 4;
        header += 4 + p.extensionSize;
        if (header > size)
            return RtpParseError::ExtensionPastEnd;
    }
    if (p.padding) {
        p.paddingSize = data[size - 1];
        if (p.paddingSize == 0 || p.paddingSize > size - header)
            return RtpParseError::BadPadding;
    }
    p.payload = data + header;
    p.payloadSize = size - header - p.paddingSize;
    packet = p;
    return RtpParseError::None;
}

uint32_t RtpPacket::Csrc(size_t index) const
{
    return index < csrcCount ? ReadBe32(data + 12 + index * 4) : 0;
}

} // namespace rtpcore
