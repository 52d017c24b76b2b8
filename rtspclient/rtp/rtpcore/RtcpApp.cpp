#include "rtpcore/RtcpApp.h"

#include "rtpcore/ByteOrder.h"

namespace rtpcore {

bool RtcpApp::Parse(const RtcpPacket& packet, RtcpApp& app)
{
    if (packet.type != kRtcpApp || packet.bodySize < 8)
        return false;
    app.subtype = packet.count;
    app.ssrc = ReadBe32(packet.body);
    app.name = std::string_view(reinterpret_cast<const char*>(packet.body + 4), 4);
    app.data = packet.body + 8;
    app.dataSize = packet.bodySize - 8;
    return true;
}

} // namespace rtpcore
