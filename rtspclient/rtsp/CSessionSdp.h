#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What a session reads from an SDP description (DESCRIBE answer or server
// ANNOUNCE) and writes for its own ANNOUNCE: the session-level control and
// range, and up to four media with their formats, control, range, send-only
// mark and media-info header.
class CSessionSdp {
public:
    static constexpr size_t kMaxMedia = 4;
    static constexpr size_t kMaxFormats = 4;
    static constexpr size_t kMaxMediaHeader = 256;

    struct Format {
        int payloadType = 0;
        std::string encodingName;
        int clockRate = 0;
        std::string encodingParams;
        std::string fmtp;
    };
    struct Media {
        std::string type = "video";
        std::string control;
        std::string range;
        bool sendOnly = false;
        std::vector<Format> formats;
        std::vector<uint8_t> header; // media-info header, 1..256 bytes or none
    };

    // False for a text without any media section. Media beyond four are left out.
    bool Parse(const std::string& text);

    std::string control;
    std::string range;
    std::vector<Media> media;

    // The description of the session's own ANNOUNCE.
    static std::string Build(const std::string& sessionId, const std::string& control,
                             const std::vector<Media>& media);

private:
    static Media ParseMedia(const std::string& section);
};
