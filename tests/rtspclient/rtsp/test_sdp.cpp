// Session descriptions: parsing fixtures, writing, and the round trip.
#include <gtest/gtest.h>

#include <cstring>

#include "RtspFixture.h"
#include "auth/Base64.h"
#include "rtsp/CSdp.h"

namespace {

CSdp parsed(const std::string& file)
{
    CSdp sdp;
    EXPECT_TRUE(sdp.ParseSdp(LoadFixture("sdp/" + file)));
    return sdp;
}

TEST(SdpParse, CameraDescriptionWithTwoMedia)
{
    const CSdp sdp = parsed("camera-two-media.sdp");
    EXPECT_EQ(sdp.m_iVersion, 0);
    EXPECT_EQ(sdp.m_strOriginSessionId, "1765000000");
    EXPECT_EQ(sdp.m_strOriginAddress, "192.168.1.64");
    EXPECT_EQ(sdp.m_strSessionName, "Media Presentation");
    EXPECT_EQ(sdp.m_strInformation, "camera stream");
    EXPECT_EQ(sdp.m_connection.address, "224.2.1.1");
    EXPECT_EQ(sdp.m_connection.ttl, 127);
    EXPECT_EQ(sdp.m_connection.count, 3);
    EXPECT_EQ(sdp.m_strTool, "corvane test");
    EXPECT_EQ(sdp.m_strControl, "rtsp://192.168.1.64/ch1/");
    EXPECT_EQ(sdp.m_iDirection, 0);
    ASSERT_EQ(sdp.m_iMediaCount, 2);

    const CSdpMedia& video = sdp.m_media[0];
    EXPECT_EQ(video.m_strMediaType, "video");
    EXPECT_EQ(video.m_iPort, 0);
    EXPECT_EQ(video.m_iPortCount, -1);
    EXPECT_EQ(video.m_strBandwidth, "AS:4096");
    ASSERT_EQ(video.m_iFormatCount, 1);
    EXPECT_EQ(video.m_rtpMaps[0].payloadType, 96);
    EXPECT_EQ(video.m_rtpMaps[0].encodingName, "H264");
    EXPECT_EQ(video.m_rtpMaps[0].clockRate, 90000);
    // "sprop-parameter-sets=" holds "s=", which must not be taken for a line.
    EXPECT_EQ(video.m_rtpMaps[0].formatParameters,
              "packetization-mode=1;sprop-parameter-sets=Z2QAHqzZQKAv+XARAAADAAEAAAMAMg8WLZY=,aOvjyyLA");
    EXPECT_EQ(video.m_strControl, "trackID=1");
    EXPECT_DOUBLE_EQ(video.m_dFrameRate, 25.0);
    ASSERT_EQ(video.m_iMediaInfoLength, 40);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(video.m_mediaInfo), 4), "IMKH");

    const CSdpMedia& audio = sdp.m_media[1];
    EXPECT_EQ(audio.m_strMediaType, "audio");
    ASSERT_EQ(audio.m_iFormatCount, 2);
    EXPECT_EQ(audio.m_rtpMaps[0].encodingName, "PCMA");
    EXPECT_EQ(audio.m_rtpMaps[0].encodingParameters, "1");
    EXPECT_EQ(audio.m_rtpMaps[1].payloadType, 0);
    EXPECT_EQ(audio.m_rtpMaps[1].encodingName, "");
    EXPECT_EQ(audio.m_iSendOnly, 1);
    EXPECT_EQ(audio.m_connection.address, "0.0.0.0") << "the default";
}

TEST(SdpParse, MoreThanFourMediaKeepsTheFirstFour)
{
    const CSdp sdp = parsed("five-media.sdp");
    ASSERT_EQ(sdp.m_iMediaCount, 4);
    EXPECT_EQ(sdp.m_media[1].m_rtpMaps[0].encodingName, "H265");
    EXPECT_EQ(sdp.m_media[3].m_rtpMaps[0].payloadType, 8);
}

TEST(SdpParse, WithoutMediaFails)
{
    CSdp sdp;
    EXPECT_FALSE(sdp.ParseSdp(LoadFixture("sdp/no-media.sdp")));
    EXPECT_FALSE(sdp.ParseSdp(std::string()));
    EXPECT_FALSE(sdp.ParseSdp(nullptr, 10));
}

TEST(SdpParse, RtpmapForAnAbsentPayloadTypeAndExtraFormatsAreIgnored)
{
    const CSdp sdp = parsed("rtpmap-absent-payload.sdp");
    const CSdpMedia& media = sdp.m_media[0];
    ASSERT_EQ(media.m_iFormatCount, CSdpMedia::kMaxFormats);
    EXPECT_EQ(media.m_rtpMaps[0].encodingName, "") << "35 names no format of the m= line";
    EXPECT_EQ(media.m_rtpMaps[1].encodingName, "") << "four parts are refused";
    EXPECT_EQ(media.m_rtpMaps[2].encodingName, "") << "one part is refused";
    EXPECT_EQ(media.m_rtpMaps[3].encodingName, "MP4V-ES");
    EXPECT_EQ(media.m_rtpMaps[3].formatParameters, "profile-level-id=1");
}

TEST(SdpParse, BadMediaInfoIsDropped)
{
    EXPECT_EQ(parsed("mediainfo-odd-hex.sdp").m_media[0].m_iMediaInfoLength, 0);
    EXPECT_EQ(parsed("mediainfo-bad-base64.sdp").m_media[0].m_iMediaInfoLength, 0);
}

TEST(SdpParse, MediaInfoOver256BytesIsDropped)
{
    const std::string big = base64::Encode(std::string(300, 'm'));
    CSdp sdp;
    ASSERT_TRUE(sdp.ParseSdp("v=0\r\nm=video 0 RTP/AVP 96\r\na=Media_header:MEDIAINFO=base64," + big + "\r\n"));
    EXPECT_EQ(sdp.m_media[0].m_iMediaInfoLength, 0);
}

TEST(SdpParse, BareLineFeedsAndSessionSendOnly)
{
    const CSdp sdp = parsed("session-sendonly-lf.sdp");
    EXPECT_EQ(sdp.m_iDirection, 1);
    ASSERT_EQ(sdp.m_iMediaCount, 1);
    EXPECT_EQ(sdp.m_media[0].m_iPort, 5004);
    EXPECT_EQ(sdp.m_media[0].m_iPortCount, 2);
    EXPECT_EQ(sdp.m_media[0].m_rtpMaps[0].encodingName, "JPEG");
    EXPECT_NE(sdp.BuildSdp().find("a=recvonly\r\n"), std::string::npos);
    EXPECT_NE(sdp.BuildSdp().find("m=video 5004/2 RTP/AVP 26\r\n"), std::string::npos);
}

TEST(SdpBuild, WritesConnectionAndMediaLinesBackAsRead)
{
    CSdp sdp;
    ASSERT_TRUE(sdp.ParseSdp(std::string("v=0\r\nc=IN IP4 224.2.1.1/127/3\r\n"
                                         "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n")));
    EXPECT_EQ(sdp.BuildSdp(), "v=0\r\nc=IN IP4 224.2.1.1/127/3\r\nm=video 0 RTP/AVP 96\r\nc=IN IP4 0.0.0.0\r\n"
                              "a=rtpmap:96 H264/90000\r\n");
}

TEST(SdpBuild, RoundTripKeepsEveryField)
{
    const CSdp first = parsed("camera-two-media.sdp");
    const std::string text = first.BuildSdp();
    CSdp second;
    ASSERT_TRUE(second.ParseSdp(text));
    EXPECT_EQ(second.BuildSdp(), text);
    EXPECT_EQ(second.m_strOriginUser, first.m_strOriginUser);
    EXPECT_EQ(second.m_connection.count, 3);
    ASSERT_EQ(second.m_iMediaCount, 2);
    EXPECT_EQ(second.m_media[0].m_rtpMaps[0].formatParameters, first.m_media[0].m_rtpMaps[0].formatParameters);
    EXPECT_EQ(second.m_media[0].m_iMediaInfoLength, 40);
    EXPECT_EQ(std::memcmp(second.m_media[0].m_mediaInfo, first.m_media[0].m_mediaInfo, 40), 0);
    EXPECT_EQ(second.m_media[1].m_iSendOnly, 0) << "media send-only is read, not written";
}

TEST(SdpBuild, CopiesOutOnlyWithinTheCapacity)
{
    const CSdp sdp = parsed("camera-two-media.sdp");
    const std::string text = sdp.BuildSdp();
    std::vector<char> buffer(text.size() + 8, '#');
    EXPECT_EQ(sdp.BuildSdp(buffer.data(), static_cast<int>(text.size())), 0);
    EXPECT_EQ(buffer[text.size()], '#');
    EXPECT_EQ(sdp.BuildSdp(buffer.data(), static_cast<int>(text.size() + 1)), static_cast<int>(text.size()));
    EXPECT_EQ(std::string(buffer.data()), text);
    EXPECT_EQ(sdp.BuildSdp(nullptr, 100), 0);
}

TEST(SdpBuild, TextOverTheLimitIsNotCopied)
{
    CSdp sdp;
    sdp.m_iVersion = 0;
    sdp.m_strInformation = std::string(CSdp::kMaxSdpLength, 'i');
    std::vector<char> buffer(4 * CSdp::kMaxSdpLength);
    EXPECT_EQ(sdp.BuildSdp(buffer.data(), static_cast<int>(buffer.size())), 0);
}

} // namespace
