#pragma once
// Network byte order reads and writes on raw buffers. Callers check bounds.
#include <cstdint>

namespace rtpcore {

inline uint16_t ReadBe16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

inline uint32_t ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void WriteBe16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

inline void WriteBe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

} // namespace rtpcore
