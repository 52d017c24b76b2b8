// With the trace library present, start and teardown URLs carry the trace
// context, unless the caller asks for plain URLs.
#include <gtest/gtest.h>

#include "LibraryEnvironment.h"
#include "ScriptedServer.h"
#include "SessionHandle.h"
#include "StreamRecorder.h"
#include "rtsp/CTraceLibrary.h"

namespace {

class TracedSession : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(CTraceLibrary::Load("127.0.0.1", TRACE_LIBRARY), 0); }
    void TearDown() override { CTraceLibrary::Unload(); }
};

TEST_F(TracedSession, StartAndTeardownUrlsCarryTheTraceContext)
{
    ScriptedServer server({});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url("/live?profile=1"), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    ASSERT_EQ(Pellmar_StopStream(session), 0);
    const auto options = server.Events().Matching({"\"event\": \"request\"", "\"method\": \"OPTIONS\""});
    ASSERT_EQ(options.size(), 1u);
    EXPECT_NE(options[0].find("/live?profile=1&traceId=trace-"), std::string::npos) << options[0];
    EXPECT_NE(options[0].find("&spanId=span-"), std::string::npos) << options[0];
    EXPECT_EQ(server.Events().Count({"\"method\": \"TEARDOWN\"", "traceId=trace-", "spanId=span-"}), 1u);
}

TEST_F(TracedSession, CallerCanKeepUrlsPlain)
{
    ScriptedServer server({});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    SessionHandle session;
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_RTSP);
    param.bNoTraceUrl = 1;
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    EXPECT_EQ(server.Events().Count({"traceId"}), 0u);
}

} // namespace
