#include "rtpcore/RtcpBye.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

bool RtcpBye::Parse(const RtcpPacket& packet, RtcpBye& bye)
{
    if (packet.type != kRtcpBye)
        return false;
    const size_t sourcesSize = size_t(packet.count) * 4;
    if (packet.bodySize < sourcesSize)
        return false;
    bye.sourceCount = packet.count;
    bye.m_sources = packet.body;
    bye.reason = {};
    const size_t rest = packet.bodySize - sourcesSize;
    if (rest > 0) {
        const uint8_t* reason = packet.body + sourcesSize;
        if (size_t(reason[0]) + 1 > rest)
            return false;
        bye.reason = std::string_view(reinterpret_cast<const char*>(reason + 1), reason[0]);
    }
    return true;
}

uint32_t RtcpBye::Source(uint8_t index) const
{
    return index < sourceCount ? ReadBe32(m_sources + size_t(index) * 4) : 0;
}

} // namespace rtpcore
