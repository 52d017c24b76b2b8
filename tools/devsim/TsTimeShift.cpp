#include "TsTimeShift.h"

namespace devsim {
namespace {

constexpr size_t kPacket = 188;
constexpr uint64_t kWrap = uint64_t(1) << 33;

uint64_t shifted(uint64_t value, int64_t ticks)
{
    const int64_t wrap = static_cast<int64_t>(kWrap);
    return static_cast<uint64_t>(((static_cast<int64_t>(value) + ticks % wrap) % wrap + wrap) % wrap);
}

// The program clock reference's 33-bit base (its 9-bit extension stays).
void shiftPcr(uint8_t* pcr, int64_t ticks)
{
    uint64_t base = (uint64_t(pcr[0]) << 25) | (uint64_t(pcr[1]) << 17) | (uint64_t(pcr[2]) << 9) |
                    (uint64_t(pcr[3]) << 1) | (pcr[4] >> 7);
    base = shifted(base, ticks);
    pcr[0] = static_cast<uint8_t>(base >> 25);
    pcr[1] = static_cast<uint8_t>(base >> 17);
    pcr[2] = static_cast<uint8_t>(base >> 9);
    pcr[3] = static_cast<uint8_t>(base >> 1);
    pcr[4] = static_cast<uint8_t>(((base & 1) << 7) | (pcr[4] & 0x7F));
}

void shiftPes(uint8_t* pes, size_t size, int64_t ticks)
{
    // Start code, stream id, length, two flag bytes, header length, then the stamps.
    if (size < 9 || pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
        return;
    const uint8_t stream = pes[3];
    if (stream < 0xC0 || stream > 0xEF)
        return; // audio and video streams carry the header
    const int flags = pes[7] >> 6;
    if ((flags & 2) && size >= 14)
        writeTimestamp(pes + 9, shifted(readTimestamp(pes + 9), ticks));
    if (flags == 3 && size >= 19)
        writeTimestamp(pes + 14, shifted(readTimestamp(pes + 14), ticks));
}

} // namespace

uint64_t readTimestamp(const uint8_t* f)
{
    return (uint64_t((f[0] >> 1) & 0x07) << 30) | (uint64_t(f[1]) << 22) | (uint64_t(f[2] >> 1) << 15) |
           (uint64_t(f[3]) << 7) | (f[4] >> 1);
}

void writeTimestamp(uint8_t* f, uint64_t value)
{
    f[0] = static_cast<uint8_t>((f[0] & 0xF1) | ((value >> 29) & 0x0E));
    f[1] = static_cast<uint8_t>(value >> 22);
    f[2] = static_cast<uint8_t>(((value >> 14) & 0xFE) | (f[2] & 0x01));
    f[3] = static_cast<uint8_t>(value >> 7);
    f[4] = static_cast<uint8_t>(((value << 1) & 0xFE) | (f[4] & 0x01));
}

void shiftTimestamps(std::vector<uint8_t>& ts, int64_t ticks90k)
{
    for (size_t at = 0; at + kPacket <= ts.size(); at += kPacket) {
        uint8_t* p = ts.data() + at;
        if (p[0] != 0x47)
            continue;
        const int control = (p[3] >> 4) & 0x03;
        size_t payload = 4;
        if (control & 0x02) {
            const size_t length = p[4];
            if (length > 0 && length >= 7 && (p[5] & 0x10))
                shiftPcr(p + 6, ticks90k);
            payload = 5 + length;
        }
        const bool unitStart = (p[1] & 0x40) != 0;
        if ((control & 0x01) && unitStart && payload < kPacket)
            shiftPes(p + payload, kPacket - payload, ticks90k);
    }
}

} // namespace devsim
