#pragma once
#include <chrono>
#include <cstdint>

namespace rtpcore {

// Wall-clock time in the 64-bit NTP format RTCP carries (seconds since 1900).
struct NtpTime
{
    uint32_t seconds = 0;
    uint32_t fraction = 0;

    static NtpTime FromSeconds(double secondsSince1900)
    {
        NtpTime t;
        t.seconds = uint32_t(secondsSince1900);
        t.fraction = uint32_t((secondsSince1900 - double(t.seconds)) * 4294967296.0);
        return t;
    }

    static NtpTime Now()
    {
        constexpr double kUnixToNtp = 2208988800.0;
        const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
        return FromSeconds(std::chrono::duration<double>(sinceEpoch).count() + kUnixToNtp);
    }

    double ToSeconds() const { return double(seconds) + double(fraction) / 4294967296.0; }

    // The middle 32 bits, as the LSR field of a report block carries them.
    uint32_t Middle32() const { return (seconds << 16) | (fraction >> 16); }
};

} // namespace rtpcore
