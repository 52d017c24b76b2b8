// The optional trace library: absent, present, and incomplete.
#include <gtest/gtest.h>

#include <string>

#include "rtsp/CTraceLibrary.h"
#include "zmr.h"

namespace {

const std::string kDir = TRACE_LIBRARY_DIR;

class TraceLibraryTest : public ::testing::Test
{
protected:
    void TearDown() override { CTraceLibrary::Unload(); }
};

TEST_F(TraceLibraryTest, AbsentLibraryLeavesTraceContextOff)
{
    EXPECT_EQ(LoadTraceLibrary("10.0.0.5"), -1) << "no libpirlek.so is installed here";
    EXPECT_EQ(CTraceLibrary::Load("10.0.0.5", (kDir + "/libnothing-here.so").c_str()), -1);
    EXPECT_FALSE(CTraceLibrary::IsLoaded());
    std::string traceId = "stale", spanId;
    EXPECT_FALSE(CTraceLibrary::GetTraceIds(traceId, spanId));
    CTraceLibrary::TraceStart();
}

TEST_F(TraceLibraryTest, PresentLibraryIsStartedAndGivesIds)
{
    const std::string file = kDir + "/libpirlek-test.so";
    ASSERT_EQ(CTraceLibrary::Load("10.0.0.5", file.c_str()), 0);
    EXPECT_TRUE(CTraceLibrary::IsLoaded());
    ZMR_DSO probe = ZMR_LoadDSo(file.c_str());
    ASSERT_NE(probe, nullptr);
    auto service = reinterpret_cast<const char* (*)()>(ZMR_GetDsoSym(probe, "pirlek_test_service"));
    auto localIp = reinterpret_cast<const char* (*)()>(ZMR_GetDsoSym(probe, "pirlek_test_local_ip"));
    auto starts = reinterpret_cast<int (*)()>(ZMR_GetDsoSym(probe, "pirlek_test_trace_starts"));
    EXPECT_STREQ(service(), "media");
    EXPECT_STREQ(localIp(), "10.0.0.5");

    std::string traceId, spanId;
    ASSERT_TRUE(CTraceLibrary::GetTraceIds(traceId, spanId));
    EXPECT_EQ(traceId, "trace-1");
    EXPECT_EQ(spanId, "span-1");
    CTraceLibrary::TraceStart();
    EXPECT_EQ(starts(), 1);
    ZMR_UnloadDSo(probe);

    CTraceLibrary::Unload();
    EXPECT_FALSE(CTraceLibrary::IsLoaded());
    EXPECT_FALSE(CTraceLibrary::GetTraceIds(traceId, spanId));
}

TEST_F(TraceLibraryTest, MissingRequiredSymbolLeavesTraceContextOff)
{
    EXPECT_EQ(CTraceLibrary::Load("127.0.0.1", (kDir + "/libpirlek-partial.so").c_str()), -1);
    EXPECT_FALSE(CTraceLibrary::IsLoaded());
    std::string traceId, spanId;
    EXPECT_FALSE(CTraceLibrary::GetTraceIds(traceId, spanId));
}

TEST_F(TraceLibraryTest, RefusingStartLeavesTraceContextOff)
{
    EXPECT_EQ(CTraceLibrary::Load("127.0.0.1", (kDir + "/libpirlek-refuses.so").c_str()), 7);
    EXPECT_FALSE(CTraceLibrary::IsLoaded());
}

} // namespace
