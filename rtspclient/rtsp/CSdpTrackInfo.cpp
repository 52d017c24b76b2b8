#include "rtsp/CSdpTrackInfo.h"

#include <algorithm>
#include <cstring>

#include "rtsp/CSdpMedia.h"

namespace {

constexpr size_t kPackingHeaderMin = 40;
constexpr size_t kFallbackSdpLimit = 8192;

template <size_t N>
void CopyText(char (&field)[N], const std::string& text)
{
    const size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

bool StartsWith(const uint8_t* header, const char* tag)
{
    return std::memcmp(header, tag, 4) == 0;
}

} // namespace

RTSP_MEDIA_DESC_T CSdpTrackInfo::MakeRecord(const std::string& mediaType, const std::vector<uint8_t>& header,
                                            const std::vector<Format>& formats)
{
    RTSP_MEDIA_DESC_T record;
    std::memset(&record, 0, sizeof record);
    CopyText(record.szMediaType, mediaType);
    if (!header.empty() && header.size() <= RTSP_MEDIA_HEADER_MAX) {
        std::memcpy(record.byMediaHeader, header.data(), header.size());
        record.iMediaHeaderLen = int32_t(header.size());
    }
    const size_t count = std::min<size_t>(formats.size(), RTSP_MEDIA_MAX_FORMATS);
    for (size_t i = 0; i < count; ++i) {
        RTSP_MEDIA_FORMAT_T& entry = record.stFormats[i];
        entry.iPayloadType = formats[i].payloadType;
        entry.iClockRate = formats[i].clockRate;
        CopyText(entry.szEncodingName, formats[i].encodingName);
        CopyText(entry.szEncodingParams, formats[i].encodingParams);
        CopyText(entry.szFmtp, formats[i].fmtp);
    }
    record.iFormatCount = int32_t(count);
    return record;
}

RTSP_MEDIA_DESC_T CSdpTrackInfo::MakeRecord(const CSdpMedia& media)
{
    std::vector<Format> formats;
    for (int i = 0; i < media.m_iFormatCount && i < CSdpMedia::kMaxFormats; ++i) {
        const SdpRtpMap& map = media.m_rtpMaps[i];
        formats.push_back(
            {map.payloadType, map.clockRate, map.encodingName, map.encodingParameters, map.formatParameters});
    }
    const std::vector<uint8_t> header(media.m_mediaInfo, media.m_mediaInfo + std::max(0, media.m_iMediaInfoLength));
    return MakeRecord(media.m_strMediaType, header, formats);
}

int CSdpTrackInfo::ChooseRtpPack(const uint8_t* header, size_t length, int defaultPack)
{
    if (header == nullptr || length < kPackingHeaderMin)
        return defaultPack;
    if (StartsWith(header, "QVTX")) {
        if (header[34] != 0)
            return defaultPack;
        const unsigned kind = (unsigned(header[8]) << 8) | header[9];
        if (kind == 0xC300 || kind == 0xC400)
            return 1;
        // The text at offset 24 runs to its terminator within the header.
        const char* text = reinterpret_cast<const char*>(header + 24);
        const size_t room = length - 24;
        const std::string marker = "db33_3rdp";
        if (room > marker.size() && std::memcmp(text, marker.data(), marker.size()) == 0 && text[marker.size()] == '\0')
            return 1;
        return defaultPack;
    }
    if (StartsWith(header, "QMZX")) {
        const unsigned kind = header[8] | (unsigned(header[9]) << 8);
        if (kind == 4)
            return 1;
    }
    return defaultPack;
}

std::string CSdpTrackInfo::FallbackSdp(const std::string& requestUrl)
{
    std::string head = "v=0\r\n"
                       "o=(null) 16 0 IN IP4 0.0.0.0\r\n"
                       "s=A basic audio and video presentation\r\n"
                       "c=IN IP4 0.0.0.0\r\n"
                       "t=0 0\r\n"
                       "a=range:npt=now-\r\n"
                       "a=control:*\r\n"
                       "m=video 0 RTP/AVP 96\r\n"
                       "c=IN IP4 0.0.0.0\r\n";
    const std::string tail = "a=rtpmap:96 MP4V-ES/90000\r\n"
                             "a=fmtp:96 " +
                             std::string(kMpeg4Fmtp) +
                             "\r\n"
                             "a=range:npt=now-";
    const std::string control = "a=control:" + requestUrl + "\r\n";
    // A very long URL is left out rather than let the text reach 8 KiB.
    if (head.size() + control.size() + tail.size() < kFallbackSdpLimit)
        head += control;
    return head + tail;
}
