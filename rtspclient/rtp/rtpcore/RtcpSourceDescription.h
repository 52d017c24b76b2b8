#pragma once
#include <cstdint>
#include <functional>
#include <string_view>

#include "rtpcore/RtcpPacket.h"

namespace rtpcore {

enum SdesItemType : uint8_t {
    kSdesEnd = 0,
    kSdesCname = 1,
    kSdesName = 2,
    kSdesEmail = 3,
    kSdesPhone = 4,
    kSdesLocation = 5,
    kSdesTool = 6,
    kSdesNote = 7,
    kSdesPrivate = 8,
};

// Source description (type 202): chunks of items walked in place.
class RtcpSourceDescription
{
public:
    using ItemVisitor = std::function<void(uint32_t ssrc, uint8_t type, std::string_view text)>;

    // Calls the visitor for each item; false (after the items that were
    // whole) when a chunk or item runs past the packet body.
    static bool VisitItems(const RtcpPacket& packet, const ItemVisitor& visitor);
};

} // namespace rtpcore
