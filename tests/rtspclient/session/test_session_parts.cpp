// The session's own parts: response map and its sweep, context entries,
// received message lookups and the SDP it reads and writes.
#include <gtest/gtest.h>

#include <cstring>

#include "rtsp/CRtspMessageText.h"
#include "rtsp/CRtspResponseMap.h"
#include "rtsp/CSessionContextMap.h"
#include "rtsp/CSessionSdp.h"

namespace {

TEST(ResponseMap, UnclaimedResponseIsSweptOnlyWhenOldAndDue)
{
    CRtspResponseMap map(0);
    map.Store(7, "late", 1000);
    EXPECT_EQ(map.SweepIfDue(25000), 0u); // not more than 25 s since the last sweep
    EXPECT_EQ(map.SweepIfDue(25001), 0u); // due, but the entry is only 24 s old
    EXPECT_EQ(map.Size(), 1u);
    EXPECT_EQ(map.SweepIfDue(50001), 0u); // exactly 25 s after the previous sweep: not yet due
    EXPECT_EQ(map.SweepIfDue(51002), 1u); // due, and the entry is over 50 s old
    EXPECT_EQ(map.Size(), 0u);
}

TEST(ResponseMap, TakeMovesTheTextOutAndWakesTheWaiter)
{
    CRtspResponseMap map(0);
    EXPECT_FALSE(map.WaitPosted(1));
    map.Store(3, "first", 0);
    map.Store(3, "second", 0);
    EXPECT_TRUE(map.WaitPosted(1));
    std::string text;
    EXPECT_TRUE(map.Take(3, text));
    EXPECT_EQ(text, "second");
    EXPECT_FALSE(map.Take(3, text));
}

TEST(ContextMap, ValuesAreAlwaysTerminatedAndNeverOverflowTheCaller)
{
    CSessionContextMap map;
    const char raw[3] = {'a', 'b', 'c'}; // no terminating zero given
    ASSERT_EQ(map.Add("raw", raw, 3), CSessionContextMap::kOk);
    EXPECT_EQ(map.Text("raw"), "abc");
    EXPECT_EQ(map.Add("raw", raw, 3), CSessionContextMap::kExists);

    char small[2];
    int length = 0;
    EXPECT_EQ(map.Get("raw", small, sizeof small, length), CSessionContextMap::kTooSmall);
    EXPECT_EQ(length, 3);
    char exact[3];
    EXPECT_EQ(map.Get("raw", exact, sizeof exact, length), CSessionContextMap::kOk);
    EXPECT_EQ(std::memcmp(exact, "abc", 3), 0);
    EXPECT_EQ(map.Get("none", exact, sizeof exact, length), CSessionContextMap::kUnknown);

    ASSERT_EQ(map.AddText("StopStream", "SessionID=12"), CSessionContextMap::kOk);
    EXPECT_EQ(map.Get("StopStream", nullptr, 0, length), CSessionContextMap::kTooSmall);
    EXPECT_EQ(length, 13); // the session's own entries count their zero
    std::string taken;
    EXPECT_TRUE(map.Take("StopStream", taken));
    EXPECT_EQ(taken, "SessionID=12");
    EXPECT_FALSE(map.Has("StopStream"));
}

TEST(ContextMap, NamesAreCutAt1279Characters)
{
    CSessionContextMap map;
    const std::string longName(2000, 'n');
    ASSERT_EQ(map.AddText(longName, "v"), CSessionContextMap::kOk);
    EXPECT_TRUE(map.Has(longName.substr(0, 1279)));
    EXPECT_EQ(map.AddText(longName.substr(0, 1279) + "x", "w"), CSessionContextMap::kExists);
}

struct StatusCase {
    const char* text;
    bool parses;
    int position;
};

class MessageStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(MessageStatus, LineAndPosition)
{
    CRtspMessageText message(GetParam().text);
    EXPECT_EQ(message.ParseStatusLine(), GetParam().parses);
    if (GetParam().parses)
        EXPECT_EQ(message.StatusPosition(), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Table, MessageStatus,
                         testing::Values(StatusCase{"RTSP/1.0 200 OK\r\nCSeq: 1\r\n\r\n", true, 1},
                                         StatusCase{"RTSP/1.0 401 Unauthorized\r\n\r\n", true, 11},
                                         StatusCase{"RTSP/1.0 299 Odd\r\n\r\n", true, -1},
                                         StatusCase{"RTSP/1.0 200\r\nCSeq: 1\r\n\r\n", false, 0},
                                         StatusCase{"RTSP/1.0 200 OK", false, 0}));

TEST(MessageText, SessionTransportAndBody)
{
    CRtspMessageText message("RTSP/1.0 200 OK\r\nCseq: 9\r\nSession: 12AB;timeout=30\r\n"
                             "Transport: RTP/AVP;unicast;client_port=5000-5001;server_port=6000-6001;source=10.0.0.2\r\n"
                             "Content-Length: 6\r\n\r\nv=0\r\n\r\nrest");
    ASSERT_TRUE(message.ParseStatusLine());
    EXPECT_EQ(message.CSeq(), 9);
    EXPECT_EQ(message.SessionId(), "12AB");
    EXPECT_EQ(message.SessionTimeout(), 30);
    const std::string transport = message.Header("Transport") + ";";
    EXPECT_EQ(CRtspMessageText::Parameter(transport, "server_port"), "6000-6001");
    EXPECT_EQ(CRtspMessageText::Parameter(transport, "port"), "");
    EXPECT_EQ(CRtspMessageText::Parameter(transport, "source"), "10.0.0.2");
    EXPECT_EQ(message.Body(), "v=0\r\n");
    EXPECT_EQ(CRtspMessageText("RTSP/1.0 200 OK\r\nSession: 77\r\n\r\n").SessionTimeout(), 60);
    EXPECT_EQ(CRtspMessageText("ANNOUNCE rtsp://x RTSP/1.0\r\n\r\n").RequestMethod(), "ANNOUNCE");
    EXPECT_EQ(message.RequestMethod(), "");
}

TEST(SessionSdp, MediaFormatsControlAndBackChannel)
{
    CSessionSdp sdp;
    ASSERT_TRUE(sdp.Parse("v=0\r\ns=x\r\na=control:*\r\na=range:npt=0-30\r\n"
                          "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=fmtp:96 packetization-mode=1\r\n"
                          "a=control:trackID=0\r\n"
                          "m=audio 0 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000/1\r\na=sendonly\r\na=control:trackID=1\r\n"));
    EXPECT_EQ(sdp.control, "*");
    EXPECT_EQ(sdp.range, "npt=0-30");
    ASSERT_EQ(sdp.media.size(), 2u);
    EXPECT_EQ(sdp.media[0].type, "video");
    ASSERT_EQ(sdp.media[0].formats.size(), 1u);
    EXPECT_EQ(sdp.media[0].formats[0].encodingName, "H264");
    EXPECT_EQ(sdp.media[0].formats[0].clockRate, 90000);
    EXPECT_EQ(sdp.media[0].formats[0].fmtp, "packetization-mode=1");
    EXPECT_FALSE(sdp.media[0].sendOnly);
    EXPECT_TRUE(sdp.media[1].sendOnly);
    EXPECT_EQ(sdp.media[1].formats[0].encodingParams, "1");
    EXPECT_EQ(sdp.media[1].control, "trackID=1");
    EXPECT_FALSE(CSessionSdp().Parse("v=0\r\ns=no media\r\n"));
}

TEST(SessionSdp, MediaHeaderRoundTripsAndLongOnesAreDropped)
{
    CSessionSdp::Media media;
    media.formats = {CSessionSdp::Format{96, "MP4V-ES", 90000, "", "profile-level-id=8"}};
    media.header = {'Q', 'M', 'Z', 'X', 0, 1, 2};
    const std::string text = CSessionSdp::Build("99", "rtsp://h/s", {media});
    CSessionSdp parsed;
    ASSERT_TRUE(parsed.Parse(text)) << text;
    ASSERT_EQ(parsed.media.size(), 1u);
    EXPECT_EQ(parsed.media[0].header, media.header);
    EXPECT_EQ(parsed.media[0].formats[0].fmtp, "profile-level-id=8");

    const std::string hex(600, 'a'); // 300 bytes: longer than the 256-byte field
    ASSERT_TRUE(parsed.Parse("v=0\r\nm=video 0 RTP/AVP 96\r\na=Media_header:MEDIAINFO=" + hex + ";\r\n"));
    EXPECT_TRUE(parsed.media[0].header.empty());
}

TEST(SessionSdp, KeepsAtMostFourMedia)
{
    std::string text = "v=0\r\n";
    for (int i = 0; i < 6; ++i)
        text += "m=video 0 RTP/AVP 96\r\na=control:trackID=" + std::to_string(i) + "\r\n";
    CSessionSdp sdp;
    ASSERT_TRUE(sdp.Parse(text));
    EXPECT_EQ(sdp.media.size(), 4u);
}

} // namespace
