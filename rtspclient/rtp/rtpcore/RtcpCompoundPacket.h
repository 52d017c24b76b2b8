#pragma once
#include <cstddef>
#include <cstdint>

#include "rtpcore/RtcpPacket.h"

namespace rtpcore {

enum class RtcpParseError {
    None,
    TooShort,       // less than one common header
    BadVersion,     // a packet whose version is not 2
    FirstNotReport, // the compound does not begin with SR or RR
    LengthPastEnd,  // a length field runs past the end
    PaddingNotLast, // padding set on a packet other than the last
    BadPadding,     // padding count 0 or longer than the packet body
};

const char* RtcpParseErrorText(RtcpParseError error);

// A validated RTCP compound packet over the caller's buffer (RFC 3550 A.2),
// iterated packet by packet without copying.
class RtcpCompoundPacket
{
public:
    static RtcpParseError Parse(const uint8_t* data, size_t size, RtcpCompoundPacket& compound);

    class Iterator
    {
    public:
        Iterator(const uint8_t* position, const uint8_t* end) : m_position(position), m_end(end) { }
        RtcpPacket operator*() const;
        Iterator& operator++();
        bool operator!=(const Iterator& other) const { return m_position != other.m_position; }

    private:
        const uint8_t* m_position;
        const uint8_t* m_end;
    };

    Iterator begin() const { return Iterator(m_data, m_data + m_size); }
    Iterator end() const { return Iterator(m_data + m_size, m_data + m_size); }

    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

} // namespace rtpcore
