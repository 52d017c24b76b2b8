#pragma once
#include <cstdint>
#include <random>

namespace rtpcore {

// Source of the random initial SSRC, sequence number and timestamp, and of
// the report-interval jitter. Seeded from the system's entropy source.
class RtpRandom
{
public:
    RtpRandom();

    uint32_t Next32() { return m_engine(); }
    uint16_t Next16() { return uint16_t(m_engine() >> 16); }
    // Uniform in [low, high).
    double Uniform(double low, double high);

private:
    std::mt19937 m_engine;
};

} // namespace rtpcore
