#pragma once
// Byte-vector helpers shared by the RTP/RTCP layer tests.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void PutBe16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

inline void PutBe32(Bytes& b, uint32_t v)
{
    PutBe16(b, uint16_t(v >> 16));
    PutBe16(b, uint16_t(v));
}

inline Bytes RtpBytes(uint16_t sequence, uint32_t timestamp, uint32_t ssrc, const Bytes& payload = {1, 2, 3, 4},
                      uint8_t payloadType = 96, bool marker = false)
{
    Bytes b{0x80, uint8_t((marker ? 0x80 : 0) | payloadType)};
    PutBe16(b, sequence);
    PutBe32(b, timestamp);
    PutBe32(b, ssrc);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// A sender report with no report blocks.
inline Bytes SenderReportBytes(uint32_t ssrc, uint32_t ntpSeconds, uint32_t ntpFraction, uint32_t rtpTimestamp,
                               uint32_t packets, uint32_t octets)
{
    Bytes b{0x80, 200, 0, 6};
    PutBe32(b, ssrc);
    PutBe32(b, ntpSeconds);
    PutBe32(b, ntpFraction);
    PutBe32(b, rtpTimestamp);
    PutBe32(b, packets);
    PutBe32(b, octets);
    return b;
}

inline Bytes ReceiverReportBytes(uint32_t ssrc)
{
    Bytes b{0x80, 201, 0, 1};
    PutBe32(b, ssrc);
    return b;
}

inline Bytes ByeBytes(uint32_t ssrc, const std::string& reason = {})
{
    Bytes b{0x81, 203, 0, 0};
    PutBe32(b, ssrc);
    if (!reason.empty()) {
        b.push_back(uint8_t(reason.size()));
        b.insert(b.end(), reason.begin(), reason.end());
        while (b.size() % 4)
            b.push_back(0);
    }
    b[3] = uint8_t(b.size() / 4 - 1);
    return b;
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
