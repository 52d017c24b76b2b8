#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "api/Pellmar.h"

class CSdpMedia;

// What a session needs to turn one SDP media description into a track: the
// record handed to the caller, the packing flag some devices need, and the
// description used when a server's SDP cannot be parsed.
class CSdpTrackInfo
{
public:
    struct Format
    {
        int payloadType = 0;
        int clockRate = 0;
        std::string encodingName;
        std::string encodingParams;
        std::string fmtp;
    };

    // Zero-filled record with texts cut to their fields; formats beyond four
    // are left out; a header over 256 bytes gives length 0.
    static RTSP_MEDIA_DESC_T MakeRecord(const std::string& mediaType, const std::vector<uint8_t>& header,
                                        const std::vector<Format>& formats);

    // The record of one parsed media description.
    static RTSP_MEDIA_DESC_T MakeRecord(const CSdpMedia& media);

    // Devices that describe their stream with a media-info header of at least
    // 40 bytes tell whether they want whole RTP packets; otherwise the
    // session's default stands.
    static int ChooseRtpPack(const uint8_t* header, size_t length, int defaultPack);

    // The description parsed instead of a server's SDP that fails to parse.
    static std::string FallbackSdp(const std::string& requestUrl);

    // Format parameters of the MPEG-4 video the fallback and the session's
    // own announced description give.
    static constexpr const char* kMpeg4Fmtp =
        "profile-level-id=8;config=000001B0F5000001B50900000100000001200886C400670C58112051";
};
