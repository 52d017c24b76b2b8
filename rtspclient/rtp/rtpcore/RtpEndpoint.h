#pragma once
#include <cstdint>

namespace rtpcore {

// IPv4 address (host byte order) and port a packet came from; zero when the
// transport has no addresses (interleaved in a TCP stream).
struct RtpEndpoint
{
    uint32_t address = 0;
    uint16_t port = 0;
};

} // namespace rtpcore
