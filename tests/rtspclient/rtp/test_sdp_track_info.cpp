#include <gtest/gtest.h>

#include <cstring>

#include "rtsp/CSdpTrackInfo.h"
#include "rtsp/CSdp.h"

TEST(CSdpTrackInfo, RecordHoldsTheFieldsCutToTheirSizes)
{
    CSdpTrackInfo::Format h264;
    h264.payloadType = 96;
    h264.clockRate = 90000;
    h264.encodingName = "H264";
    h264.fmtp = "packetization-mode=1;" + std::string(300, 'p');
    CSdpTrackInfo::Format audio;
    audio.payloadType = 8;
    audio.clockRate = 8000;
    audio.encodingName = std::string(40, 'N');
    audio.encodingParams = "1";
    const std::vector<uint8_t> header = {'Q', 'M', 'Z', 'X', 0, 1};
    const RTSP_MEDIA_DESC_T record = CSdpTrackInfo::MakeRecord("video", header, {h264, audio, h264, h264, audio});

    EXPECT_STREQ(record.szMediaType, "video");
    EXPECT_EQ(record.iMediaHeaderLen, 6);
    EXPECT_EQ(std::memcmp(record.byMediaHeader, header.data(), 6), 0);
    EXPECT_EQ(record.iFormatCount, 4) << "four formats at most";
    EXPECT_EQ(record.stFormats[0].iPayloadType, 96);
    EXPECT_EQ(record.stFormats[0].iClockRate, 90000);
    EXPECT_STREQ(record.stFormats[0].szEncodingName, "H264");
    EXPECT_EQ(std::strlen(record.stFormats[0].szFmtp), 255u);
    EXPECT_EQ(std::strlen(record.stFormats[1].szEncodingName), 31u);
    EXPECT_STREQ(record.stFormats[1].szEncodingParams, "1");
    EXPECT_EQ(record.iSkip, 0);

    // The layout does not depend on the build: the bytes a 32-bit caller reads.
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&record);
    int32_t formatCount;
    std::memcpy(&formatCount, raw + 1604, 4);
    EXPECT_EQ(formatCount, 4);
    int32_t secondClockRate;
    std::memcpy(&secondClockRate, raw + 292 + 328 + 4, 4);
    EXPECT_EQ(secondClockRate, 8000);
}

TEST(CSdpTrackInfo, HeaderLongerThanItsFieldHasLengthZero)
{
    const RTSP_MEDIA_DESC_T record = CSdpTrackInfo::MakeRecord("audio", std::vector<uint8_t>(257, 1), {});
    EXPECT_EQ(record.iMediaHeaderLen, 0);
    EXPECT_EQ(record.byMediaHeader[0], 0);
    EXPECT_EQ(record.iFormatCount, 0);
}

struct PackCase
{
    const char* name;
    std::vector<uint8_t> header;
    int defaultPack;
    int expected;
};

static std::vector<uint8_t> Header(const char* tag, size_t size = 40)
{
    std::vector<uint8_t> header(size, 0);
    std::memcpy(header.data(), tag, 4);
    return header;
}

static std::vector<uint8_t> With(std::vector<uint8_t> header, size_t at, std::initializer_list<uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), header.begin() + at);
    return header;
}

static std::vector<uint8_t> WithText(std::vector<uint8_t> header, size_t at, const char* text)
{
    std::memcpy(header.data() + at, text, std::strlen(text));
    return header;
}

class RtpPackingHeuristic : public testing::TestWithParam<PackCase>
{ };

TEST_P(RtpPackingHeuristic, ChoosesWholePacketsOnlyForTheKnownHeaders)
{
    const PackCase& c = GetParam();
    EXPECT_EQ(CSdpTrackInfo::ChooseRtpPack(c.header.data(), c.header.size(), c.defaultPack), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RtpPackingHeuristic,
    testing::Values(PackCase{"no_header", {}, 0, 0},
                    PackCase{"short_header_keeps_default", With(Header("QVTX", 39), 8, {0xC3, 0x00}), 0, 0},
                    PackCase{"qvtx_c300", With(Header("QVTX"), 8, {0xC3, 0x00}), 0, 1},
                    PackCase{"qvtx_c400", With(Header("QVTX"), 8, {0xC4, 0x00}), 0, 1},
                    PackCase{"qvtx_other_kind", With(Header("QVTX"), 8, {0xC5, 0x00}), 0, 0},
                    PackCase{"qvtx_byte_34_set", With(With(Header("QVTX"), 8, {0xC3, 0x00}), 34, {1}), 0, 0},
                    PackCase{"qvtx_third_party_text", WithText(Header("QVTX"), 24, "db33_3rdp"), 0, 1},
                    PackCase{"qvtx_longer_text", WithText(Header("QVTX"), 24, "db33_3rdpX"), 0, 0},
                    PackCase{"qvtx_keeps_default_1", Header("QVTX"), 1, 1},
                    PackCase{"qmzx_kind_4_little_endian", With(Header("QMZX"), 8, {4, 0}), 0, 1},
                    PackCase{"qmzx_kind_4_big_endian", With(Header("QMZX"), 8, {0, 4}), 0, 0},
                    PackCase{"unknown_tag", With(Header("ABCD"), 8, {0xC3, 0x00}), 0, 0}),
    [](const testing::TestParamInfo<PackCase>& info) { return std::string(info.param.name); });

TEST(CSdpTrackInfo, FallbackSdpNamesTheRequestUrl)
{
    const std::string sdp = CSdpTrackInfo::FallbackSdp("rtsp://10.0.0.5/stream");
    EXPECT_EQ(sdp, "v=0\r\n"
                   "o=(null) 16 0 IN IP4 0.0.0.0\r\n"
                   "s=A basic audio and video presentation\r\n"
                   "c=IN IP4 0.0.0.0\r\n"
                   "t=0 0\r\n"
                   "a=range:npt=now-\r\n"
                   "a=control:*\r\n"
                   "m=video 0 RTP/AVP 96\r\n"
                   "c=IN IP4 0.0.0.0\r\n"
                   "a=control:rtsp://10.0.0.5/stream\r\n"
                   "a=rtpmap:96 MP4V-ES/90000\r\n"
                   "a=fmtp:96 profile-level-id=8;config=000001B0F5000001B50900000100000001200886C400670C58112051\r\n"
                   "a=range:npt=now-");
}

TEST(CSdpTrackInfo, FallbackSdpLeavesOutAUrlThatWouldReachEightKilobytes)
{
    const std::string url = "rtsp://h/" + std::string(8000, 'u');
    const std::string sdp = CSdpTrackInfo::FallbackSdp(url);
    EXPECT_EQ(sdp.find(url), std::string::npos);
    EXPECT_LT(sdp.size(), 8192u);
    EXPECT_NE(sdp.find("m=video 0 RTP/AVP 96"), std::string::npos);
}

TEST(CSdpTrackInfo, RecordOfAParsedMediaDescription)
{
    CSdp sdp;
    ASSERT_TRUE(sdp.ParseSdp("v=0\r\no=- 1 1 IN IP4 10.0.0.5\r\ns=cam\r\nt=0 0\r\na=control:*\r\n"
                             "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n"
                             "a=fmtp:96 packetization-mode=1;profile-level-id=42e01f\r\na=control:trackID=1\r\n"
                             "m=audio 0 RTP/AVP 8\r\na=rtpmap:8 PCMA/8000/1\r\na=control:trackID=2\r\n"));
    ASSERT_EQ(sdp.m_iMediaCount, 2);
    const RTSP_MEDIA_DESC_T video = CSdpTrackInfo::MakeRecord(sdp.m_media[0]);
    EXPECT_STREQ(video.szMediaType, "video");
    ASSERT_EQ(video.iFormatCount, 1);
    EXPECT_EQ(video.stFormats[0].iPayloadType, 96);
    EXPECT_EQ(video.stFormats[0].iClockRate, 90000);
    EXPECT_STREQ(video.stFormats[0].szEncodingName, "H264");
    EXPECT_STREQ(video.stFormats[0].szFmtp, "packetization-mode=1;profile-level-id=42e01f");
    EXPECT_EQ(video.iMediaHeaderLen, 0);
    const RTSP_MEDIA_DESC_T audio = CSdpTrackInfo::MakeRecord(sdp.m_media[1]);
    EXPECT_STREQ(audio.szMediaType, "audio");
    EXPECT_STREQ(audio.stFormats[0].szEncodingName, "PCMA");
    EXPECT_STREQ(audio.stFormats[0].szEncodingParams, "1");
}

TEST(CSdpTrackInfo, FallbackSdpParses)
{
    CSdp sdp;
    ASSERT_TRUE(sdp.ParseSdp(CSdpTrackInfo::FallbackSdp("rtsp://10.0.0.5/stream")));
    ASSERT_EQ(sdp.m_iMediaCount, 1);
    EXPECT_EQ(sdp.m_media[0].m_strControl, "rtsp://10.0.0.5/stream");
    const RTSP_MEDIA_DESC_T record = CSdpTrackInfo::MakeRecord(sdp.m_media[0]);
    EXPECT_STREQ(record.stFormats[0].szEncodingName, "MP4V-ES");
    EXPECT_EQ(record.stFormats[0].iClockRate, 90000);
}
