#pragma once
#include <cstddef>
#include <cstdint>

namespace rtpcore {

// The external transmitter of a session: it carries the bytes the session
// sends. Both calls run on the thread that called into the session and must
// not call back into it. The buffer is only valid during the call.
class RtpPacketSender
{
public:
    virtual ~RtpPacketSender() = default;
    virtual bool SendRtp(const uint8_t* data, size_t size) = 0;
    virtual bool SendRtcp(const uint8_t* data, size_t size) = 0;
};

} // namespace rtpcore
