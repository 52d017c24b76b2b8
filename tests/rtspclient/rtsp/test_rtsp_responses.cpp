// Response parsing from real-looking answers and from malformed ones.
#include <gtest/gtest.h>

#include "RtspFixture.h"
#include "rtsp/CDescribeRsp.h"
#include "rtsp/COptionsRsp.h"
#include "rtsp/CPlayRsp.h"
#include "rtsp/CPtzRsp.h"
#include "rtsp/CSetupRsp.h"
#include "rtsp/RtspVocabulary.h"

namespace {

struct CommonCase
{
    const char* file;
    int status;
    int cseq;
    std::string session;
    int timeout;
    std::string challenge;
};

class CommonResponseTest : public ::testing::TestWithParam<CommonCase>
{ };

TEST_P(CommonResponseTest, ReadsStatusCSeqSessionAndChallenge)
{
    CCommonRsp response;
    ASSERT_TRUE(response.ParseMsg(LoadFixture(GetParam().file)));
    EXPECT_EQ(response.m_iStatus, GetParam().status);
    EXPECT_EQ(response.m_iCSeq, GetParam().cseq);
    EXPECT_EQ(response.m_strSession, GetParam().session);
    EXPECT_EQ(response.m_iTimeout, GetParam().timeout);
    EXPECT_EQ(response.m_strWwwAuthenticate, GetParam().challenge);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CommonResponseTest,
    ::testing::Values(CommonCase{"options-200.rtsp", kRtspStatusOk, 1, "", 60, ""},
                      CommonCase{"describe-401-digest.rtsp", kRtspStatusUnauthorized, 2, "", 60,
                                 "Digest realm=\"GStreamer RTSP Server\", nonce=\"d8e6f4a1c2b3d4e5\""},
                      CommonCase{"describe-401-basic.rtsp", kRtspStatusUnauthorized, 2, "", 60,
                                 "Basic realm=\"GStreamer RTSP Server\""},
                      CommonCase{"describe-401-sep.rtsp", kRtspStatusUnauthorized, 7, "", 60,
                                 "SEP CIPHER_SUITE=\"0\",RAND=\"AAECAwQFBgcICQoLDA0ODw==\""},
                      CommonCase{"setup-interleaved.rtsp", kRtspStatusOk, 3, "Zq3HZjzV3gmxXMuX", 30, ""},
                      CommonCase{"setup-udp.rtsp", kRtspStatusOk, 3, "9Xk2LmPq", 60, ""},
                      CommonCase{"setup-single-client-port.rtsp", kRtspStatusOk, 3, "9Xk2LmPq", 45, ""},
                      CommonCase{"teardown-454.rtsp", 28, 9, "", 60, ""},
                      CommonCase{"status-299.rtsp", -1, 4, "", 60, ""}),
    [](const auto& info) {
        std::string name = info.param.file;
        name = name.substr(0, name.find('.'));
        for (char& c : name)
            c = c == '-' ? '_' : c;
        return name;
    });

TEST(ResponseParse, DeviceExtrasOfAChallenge)
{
    CCommonRsp response;
    ASSERT_TRUE(response.ParseMsg(LoadFixture("describe-401-sep.rtsp")));
    EXPECT_EQ(response.m_strPkd, "-----BEGIN PUBLIC KEY-----MIIB-----END PUBLIC KEY-----");
    EXPECT_EQ(response.m_iErrCode, 16);
    EXPECT_EQ(response.m_strErrDescription, "need token");
    EXPECT_EQ(response.m_strServer, "device");
}

TEST(ResponseParse, OptionsPublicMethodsAndSupportAuth)
{
    COptionsRsp options;
    ASSERT_TRUE(options.ParseMsg(LoadFixture("options-device.rtsp")));
    EXPECT_EQ(options.m_vecPublic, (std::vector<int>{RTSP_METHOD_OPTIONS, RTSP_METHOD_DESCRIBE, RTSP_METHOD_SETUP,
                                                     RTSP_METHOD_TEARDOWN, RTSP_METHOD_PLAY, RTSP_METHOD_UNKNOWN}));
    EXPECT_EQ(options.m_strSupportAuth, "BASE64,AES,Authenty");
    EXPECT_EQ(options.m_strRange, "clock=20261210T000000Z-");
}

TEST(ResponseParse, DescribeBodyAndContentBase)
{
    CDescribeRsp describe;
    const std::string text = LoadFixture("describe-200.rtsp");
    ASSERT_TRUE(describe.ParseMsg(text));
    EXPECT_EQ(describe.m_strContentBase, "rtsp://127.0.0.1:8554/test/");
    EXPECT_EQ(describe.m_strBody, text.substr(text.find("\r\n\r\n") + 4));
    EXPECT_EQ(describe.m_strBody.compare(0, 5, "v=0\r\n"), 0);
}

TEST(ResponseParse, DescribeBodyEndsAtASecondEmptyLine)
{
    CDescribeRsp describe;
    ASSERT_TRUE(
        describe.ParseMsg(std::string("RTSP/1.0 200 OK\r\nCSeq: 2\r\n\r\nv=0\r\ns=x\r\n\r\nRTSP/1.0 200 OK\r\n")));
    EXPECT_EQ(describe.m_strBody, "v=0\r\ns=x\r\n");
}

TEST(ResponseParse, SetupInterleaved)
{
    CSetupRsp setup;
    ASSERT_TRUE(setup.ParseMsg(LoadFixture("setup-interleaved.rtsp")));
    EXPECT_EQ(setup.m_iLowerTransport, 1);
    EXPECT_EQ(setup.m_usInterleavedChannel, 0);
    EXPECT_EQ(setup.m_strSsrc, "5A3C1B2D");
    EXPECT_EQ(setup.m_iMulticast, 0);
}

TEST(ResponseParse, SetupUdpPorts)
{
    CSetupRsp setup;
    ASSERT_TRUE(setup.ParseMsg(LoadFixture("setup-udp.rtsp")));
    EXPECT_EQ(setup.m_iLowerTransport, 0);
    EXPECT_EQ(setup.m_usClientPort, 5000);
    EXPECT_EQ(setup.m_usServerPort, 6000);
    EXPECT_EQ(setup.m_usServerPort2, 6001);
    EXPECT_EQ(setup.m_strSsrc, "11223344");
}

TEST(ResponseParse, SetupClientPortWithOneNumberStaysUnset)
{
    CSetupRsp setup;
    ASSERT_TRUE(setup.ParseMsg(LoadFixture("setup-single-client-port.rtsp")));
    EXPECT_EQ(setup.m_usClientPort, 0);
    EXPECT_EQ(setup.m_usServerPort, 6000);
}

TEST(ResponseParse, SetupInterleavedWithoutChannelsFails)
{
    CSetupRsp setup;
    EXPECT_FALSE(setup.ParseMsg(LoadFixture("setup-interleaved-missing.rtsp")));
}

TEST(ResponseParse, SetupMulticastKeepsThePortText)
{
    CSetupRsp setup;
    ASSERT_TRUE(setup.ParseMsg(std::string("RTSP/1.0 200 OK\r\nCSeq: 3\r\nTransport: "
                                           "RTP/AVP;multicast;destination=224.2.1.1;port=7000-7001;ttl=4\r\n\r\n")));
    EXPECT_EQ(setup.m_iMulticast, 1);
    EXPECT_EQ(setup.m_strMulticastPort, "7000-7001");
    EXPECT_EQ(setup.m_strDestination, "224.2.1.1");
}

TEST(ResponseParse, PlayScaleAndPtzValues)
{
    CPlayRsp play;
    ASSERT_TRUE(play.ParseMsg(LoadFixture("play-200.rtsp")));
    EXPECT_DOUBLE_EQ(play.m_dScale, 2.0);
    CPtzRsp ptz;
    ASSERT_TRUE(ptz.ParseMsg(std::string("RTSP/1.0 200 OK\r\nCSeq: 8\r\nbri: 50\r\nhue: 7\r\n\r\n")));
    EXPECT_EQ(ptz.m_iBri, 50);
    EXPECT_EQ(ptz.m_iCon, -1);
    EXPECT_EQ(ptz.m_iHue, 7);
}

struct MalformedCase
{
    const char* name;
    std::string text;
    bool parses;
    int cseq;
};

class MalformedResponseTest : public ::testing::TestWithParam<MalformedCase>
{ };

TEST_P(MalformedResponseTest, FailsOnlyOnABadStatusLine)
{
    CDescribeRsp response;
    EXPECT_EQ(response.ParseMsg(GetParam().text), GetParam().parses);
    if (GetParam().parses) {
        EXPECT_EQ(response.m_iCSeq, GetParam().cseq);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedResponseTest,
    ::testing::Values(
        MalformedCase{"noCrlf", "RTSP/1.0 200 OK", false, 0},
        MalformedCase{"bareLineFeeds", "RTSP/1.0 200 OK\nCSeq: 1\n\n", false, 0},
        MalformedCase{"twoWordsInStatusLine", "RTSP/1.0 200\r\nCSeq: 1\r\n\r\n", false, 0},
        MalformedCase{"oneWord", "RTSP/1.0\r\n\r\n", false, 0}, MalformedCase{"empty", "", false, 0},
        MalformedCase{"cseqNotANumber", "RTSP/1.0 200 OK\r\nCSeq: abc\r\n\r\n", true, 0},
        MalformedCase{"unterminatedQuotes",
                      "RTSP/1.0 401 Unauthorized\r\nCSeq: 3\r\nWWW-Authenticate: Digest realm=\"x, nonce=\"y\r\n\r\n",
                      true, 3},
        MalformedCase{"hugeHeader", "RTSP/1.0 200 OK\r\nCSeq: 4\r\nX-Big: " + std::string(100 * 1024, 'x') + "\r\n\r\n",
                      true, 4},
        MalformedCase{"nulByteEndsTheText", std::string("RTSP/1.0 200 OK\r\nCSeq: 5\r\n\0CSeq: 6\r\n\r\n", 38), true,
                      5},
        MalformedCase{"nulInsideStatusLine", std::string("RTSP/1.0 2\0 OK\r\n", 16), false, 0},
        MalformedCase{"twoMessagesInOneBuffer", "RTSP/1.0 200 OK\r\nCSeq: 7\r\n\r\nRTSP/1.0 200 OK\r\nCSeq: 8\r\n\r\n",
                      true, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatusTable, PositionsCodesAndReasons)
{
    EXPECT_EQ(GetRtspStatusText("401"), 11);
    EXPECT_EQ(GetRtspStatusText("299"), -1);
    EXPECT_EQ(GetRtspStatusText("200 "), -1);
    EXPECT_STREQ(GetRtspStatusCode(43), "551");
    EXPECT_STREQ(GetRtspStatusReason(43), "Option not support");
    EXPECT_STREQ(GetRtspStatusReason(19), "Gone");
    EXPECT_STREQ(GetRtspStatusCode(44), "");
    for (int position = 0; position < kRtspStatusCount; ++position)
        EXPECT_EQ(GetRtspStatusText(GetRtspStatusCode(position)), position);
}

TEST(MethodTable, KindsAndNames)
{
    EXPECT_EQ(GetRtspMethodKind("OPTIONS"), RTSP_METHOD_OPTIONS);
    EXPECT_EQ(GetRtspMethodKind("GET_PARAMETER"), RTSP_METHOD_GET_PARAMETER);
    EXPECT_EQ(GetRtspMethodKind("HEARTBEAT"), RTSP_METHOD_HEARTBEAT);
    EXPECT_EQ(GetRtspMethodKind("options"), RTSP_METHOD_UNKNOWN);
    EXPECT_STREQ(GetRtspMethodName(RTSP_METHOD_SET_VIDEO_PARAM), "OPTIONS");
    EXPECT_STREQ(GetRtspMethodName(RTSP_METHOD_UNKNOWN), "");
}

struct ClassifyCase
{
    const char* name;
    std::string text;
    bool request;
    int kind;
    int peer;
};

class ClassifyTest : public ::testing::TestWithParam<ClassifyCase>
{ };

TEST_P(ClassifyTest, TellsRequestsFromResponses)
{
    int peer = 2;
    int kind = -5;
    EXPECT_EQ(ClassifyRtspMessage(peer, GetParam().text, kind), GetParam().request);
    if (GetParam().request) {
        EXPECT_EQ(kind, GetParam().kind);
    }
    EXPECT_EQ(peer, GetParam().peer);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassifyTest,
    ::testing::Values(ClassifyCase{"ptzOptions", "OPTIONS * RTSP/1.0\r\nCSeq: 1\r\ncommand: 3\r\n\r\n", true, 12, 0},
                      ClassifyCase{"videoQuery", "OPTIONS * RTSP/1.0\r\nGetParam: 1\r\nbri: 1\r\n\r\n", true, 13, 0},
                      ClassifyCase{"videoSet", "OPTIONS * RTSP/1.0\r\nbri: 1\r\n\r\n", true, 14, 0},
                      ClassifyCase{"plainOptions", "OPTIONS * RTSP/1.0\r\nCSeq: 1\r\n\r\n", true, 0, 0},
                      ClassifyCase{"announce", "ANNOUNCE rtsp://x RTSP/1.0\r\nUser-Agent: tarnuvex\r\n\r\n", true, 8,
                                   1},
                      ClassifyCase{"response", "RTSP/1.0 200 OK\r\nCSeq: 1\r\n\r\n", false, 0, 0},
                      ClassifyCase{"noBlank", "garbage", false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
