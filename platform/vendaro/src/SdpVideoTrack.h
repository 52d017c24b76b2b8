#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vendaro {

enum class VideoCodec {
    H264,
    H265,
};

// What the RTP path needs of an SDP: the video payload type, its codec and
// the parameter sets given out of band (sprop-*), as Annex-B NAL units.
struct SdpVideoTrack
{
    uint8_t payloadType = 0;
    VideoCodec codec = VideoCodec::H264;
    std::vector<std::vector<uint8_t>> parameterSets;
    bool hasDonField = false; // H.265 sprop-max-don-diff > 0: DONL/DOND present
};

// True when the block is SDP text rather than media.
bool looksLikeSdp(const uint8_t* data, size_t size);

// The first video media whose format is H.264 or H.265; none when the SDP
// names no such video.
std::optional<SdpVideoTrack> parseSdpVideoTrack(const std::string& sdp);

} // namespace vendaro
