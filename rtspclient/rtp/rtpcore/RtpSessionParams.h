#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace rtpcore {

struct RtpSessionParams
{
    size_t maxPacketSize = 1400;     // largest RTP or RTCP packet we build
    double ownTimestampRate = 90000; // our RTP clock, units per second
    double receiveClockRate = 90000; // clock of the received streams, for jitter
    double sessionBandwidth = 10000; // bytes per second; RTCP takes 5 %
    std::string cname;               // empty: DefaultCname()
    // Wall clock in seconds since 1900 (NTP era); tests replace it.
    std::function<double()> clock;
};

// "user@host" of the running process, the CNAME RFC 3550 recommends.
std::string DefaultCname();

} // namespace rtpcore
