#include "SdpVideoTrack.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>

extern "C" {
#include <libavutil/base64.h>
}

namespace vendaro {

namespace {

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(trimmed(part));
    return parts;
}

std::vector<uint8_t> decodeBase64(const std::string& text)
{
    std::vector<uint8_t> out(AV_BASE64_DECODE_SIZE(text.size()) + 1);
    const int size = av_base64_decode(out.data(), text.c_str(), int(out.size()));
    if (size <= 0)
        return {};
    out.resize(size_t(size));
    return out;
}

std::vector<uint8_t> annexB(const std::vector<uint8_t>& nal)
{
    std::vector<uint8_t> unit{0, 0, 0, 1};
    unit.insert(unit.end(), nal.begin(), nal.end());
    return unit;
}

// One video media section: its payload types with their rtpmap and fmtp.
struct VideoMedia
{
    std::vector<int> payloadTypes;
    std::map<int, std::string> encodings; // lower-case encoding name
    std::map<int, std::string> formats;   // fmtp parameters
};

std::vector<VideoMedia> videoMedias(const std::string& sdp)
{
    std::vector<VideoMedia> medias;
    bool inVideo = false;
    std::stringstream lines(sdp);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.rfind("m=", 0) == 0) {
            const auto fields = split(line.substr(2), ' ');
            inVideo = fields.size() >= 4 && fields[0] == "video";
            if (inVideo) {
                VideoMedia media;
                for (size_t i = 3; i < fields.size(); ++i)
                    media.payloadTypes.push_back(std::atoi(fields[i].c_str()));
                medias.push_back(media);
            }
            continue;
        }
        if (!inVideo)
            continue;
        for (const char* prefix : {"a=rtpmap:", "a=fmtp:"}) {
            if (line.rfind(prefix, 0) != 0)
                continue;
            const std::string rest = line.substr(std::strlen(prefix));
            const auto space = rest.find_first_of(" \t");
            if (space == std::string::npos)
                continue;
            const int payloadType = std::atoi(rest.substr(0, space).c_str());
            const std::string value = trimmed(rest.substr(space));
            if (prefix[2] == 'r')
                medias.back().encodings[payloadType] = lowercase(value.substr(0, value.find('/')));
            else
                medias.back().formats[payloadType] = value;
        }
    }
    return medias;
}

std::map<std::string, std::string> formatParameters(const std::string& fmtp)
{
    std::map<std::string, std::string> parameters;
    for (const auto& item : split(fmtp, ';')) {
        const auto equals = item.find('=');
        if (equals != std::string::npos)
            parameters[lowercase(trimmed(item.substr(0, equals)))] = trimmed(item.substr(equals + 1));
    }
    return parameters;
}

void addParameterSets(SdpVideoTrack& track, const std::string& list)
{
    for (const auto& encoded : split(list, ',')) {
        const auto nal = decodeBase64(encoded);
        if (!nal.empty())
            track.parameterSets.push_back(annexB(nal));
    }
}

} // namespace

bool looksLikeSdp(const uint8_t* data, size_t size)
{
    static const char kVersionLine[] = "v=0";
    return size >= 3 && std::memcmp(data, kVersionLine, 3) == 0;
}

std::optional<SdpVideoTrack> parseSdpVideoTrack(const std::string& sdp)
{
    for (const auto& media : videoMedias(sdp)) {
        for (int payloadType : media.payloadTypes) {
            const auto encoding = media.encodings.find(payloadType);
            if (encoding == media.encodings.end() || payloadType < 0 || payloadType > 127)
                continue;
            SdpVideoTrack track;
            track.payloadType = uint8_t(payloadType);
            if (encoding->second == "h264")
                track.codec = VideoCodec::H264;
            else if (encoding->second == "h265" || encoding->second == "hevc")
                track.codec = VideoCodec::H265;
            else
                continue;
            const auto format = media.formats.find(payloadType);
            if (format != media.formats.end()) {
                const auto parameters = formatParameters(format->second);
                for (const char* name : {"sprop-vps", "sprop-sps", "sprop-pps", "sprop-parameter-sets"}) {
                    const auto value = parameters.find(name);
                    if (value != parameters.end())
                        addParameterSets(track, value->second);
                }
                const auto donDiff = parameters.find("sprop-max-don-diff");
                track.hasDonField = donDiff != parameters.end() && std::atoi(donDiff->second.c_str()) > 0;
            }
            return track;
        }
    }
    return std::nullopt;
}

} // namespace vendaro
