#include "rtpcore/RtcpSourceDescription.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

bool RtcpSourceDescription::VisitItems(const RtcpPacket& packet, const ItemVisitor& visitor)
{
    if (packet.type != kRtcpSourceDescription)
        return false;
    const uint8_t* p = packet.body;
    const uint8_t* const end = packet.body + packet.bodySize;
    for (uint8_t chunk = 0; chunk < packet.count; ++chunk) {
        if (end - p < 4)
            return false;
        const uint32_t ssrc = ReadBe32(p);
        const uint8_t* item = p + 4;
        for (;;) {
            if (item >= end)
                return false;
            if (*item == kSdesEnd) {
                ++item;
                break;
            }
            if (end - item < 2 || end - item - 2 < item[1])
                return false;
            visitor(ssrc, item[0], std::string_view(reinterpret_cast<const char*>(item + 2), item[1]));
            item += 2 + item[1];
        }
        // Chunks start on 32-bit boundaries: the end marker is followed by null octets.
        const size_t used = size_t(item - packet.body);
        p = packet.body + ((used + 3) & ~size_t(3));
        if (p > end)
            return false;
    }
    return true;
}

} // namespace rtpcore
