#include "RtpPacket.h"

namespace vendaro {

namespace {
constexpr size_t kFixedHeaderSize = 12;

RtpParseResult failure(RtpParseError error)
{
    RtpParseResult result;
    result.error = error;
    return result;
}

uint16_t readUint16(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}
uint32_t readUint32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
} // namespace

RtpParseResult parseRtpPacket(const uint8_t* data, size_t size)
{
    if (size < kFixedHeaderSize)
        return failure(RtpParseError::TooShort);
    if ((data[0] >> 6) != 2)
        return failure(RtpParseError::NotVersion2);

    const bool hasPadding = data[0] & 0x20;
    const bool hasExtension = data[0] & 0x10;
    const size_t csrcCount = data[0] & 0x0f;

    size_t offset = kFixedHeaderSize + 4 * csrcCount;
    if (offset > size)
        return failure(RtpParseError::CsrcPastEnd);
    if (hasExtension) {
        if (offset + 4 > size)
            return failure(RtpParseError::ExtensionPastEnd);
        offset += 4 + 4 * size_t(readUint16(data + offset + 2));
        if (offset > size)
            return failure(RtpParseError::ExtensionPastEnd);
    }
    size_t end = size;
    if (hasPadding) {
        const size_t padding = data[size - 1];
        if (padding == 0 || padding > end - offset)
            return failure(RtpParseError::PaddingTooLong);
        end -= padding;
    }

    RtpPacket packet;
    packet.marker = data[1] & 0x80;
    packet.payloadType = data[1] & 0x7f;
    packet.sequence = readUint16(data + 2);
    packet.timestamp = readUint32(data + 4);
    packet.ssrc = readUint32(data + 8);
    packet.payload = data + offset;
    packet.payloadSize = end - offset;
    RtpParseResult result;
    result.packet = packet;
    return result;
}

void stripInterleavedFraming(const uint8_t*& data, size_t& size)
{
    if (size >= 4 && data[0] == '$' && size_t(readUint16(data + 2)) == size - 4) {
        data += 4;
        size -= 4;
    }
}

} // namespace vendaro
