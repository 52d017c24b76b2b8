#pragma once

#include "RtpPacket.h"
#include "SdpVideoTrack.h"

#include <map>
#include <vector>

namespace vendaro {

// One coded picture in Annex-B form, ready for the decoder.
struct AccessUnit
{
    std::vector<uint8_t> data;
    uint32_t timestamp = 0;
    bool keyFrame = false;
};

// Turns the RTP packets of one H.264 (RFC 6184) or H.265 (RFC 7798) track
// into access units. Output starts at the first key frame and starts again at
// the next key frame after any loss, SSRC change or oversized unit, so the
// decoder never sees a picture whose references are missing.
class RtpDepacketizer
{
public:
    // Bound on one access unit; larger ones are dropped as broken.
    static constexpr size_t kMaxAccessUnitSize = 8 * 1024 * 1024;

    explicit RtpDepacketizer(const SdpVideoTrack& track);

    // Appends to `out` the access units this packet completes.
    void push(const RtpPacket& packet, std::vector<AccessUnit>& out);

private:
    void payloadH264(const uint8_t* payload, size_t size);
    void payloadH265(const uint8_t* payload, size_t size);
    // An aggregation packet (STAP-A, AP): 16-bit size, NAL unit, repeated.
    void appendAggregated(const uint8_t* payload, size_t size, size_t offset, size_t gap);
    // One fragment (FU-A, FU) with its FU header's start and end bits.
    void appendFragment(uint8_t fuHeader, const uint8_t* nalHeader, size_t nalHeaderSize, const uint8_t* data,
                        size_t size);
    void startFragment(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size);
    void continueFragment(const uint8_t* data, size_t size, bool end);
    void appendNal(const uint8_t* nal, size_t size);
    void finishAccessUnit(std::vector<AccessUnit>& out);
    void markBroken();
    void discardUnit();
    void resynchronise();
    int nalType(const uint8_t* nal) const;
    bool isKeyNal(int type) const;
    bool isParameterSet(int type) const;

    SdpVideoTrack m_track;
    std::map<int, std::vector<uint8_t>> m_parameterSets; // by NAL type, Annex-B
    bool m_haveSource = false;
    uint32_t m_ssrc = 0;
    uint16_t m_expectedSequence = 0;
    bool m_awaitingKeyFrame = true;

    AccessUnit m_unit;
    bool m_unitOpen = false;
    bool m_unitBroken = false;
    bool m_unitHasParameterSets = false;
    std::vector<uint8_t> m_fragment;
    bool m_fragmentOpen = false;
};

} // namespace vendaro
