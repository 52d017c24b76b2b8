// The exported interface as a caller sees it: counted initialisation, port
// ranges, settings, handles from 1 to 9999, and calls it must refuse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Pellmar.h"
#include "ScriptedServer.h"
#include "StreamRecorder.h"
#include "TestPortPool.h"
#include "wexl.h"

namespace {

class Library : public testing::Test
{
protected:
    void SetUp() override
    {
        Wexl_SetStderrLevel(WEXL_LEVEL_ERROR + 1);
        const PORT_POOL_T pool = TestPortPool();
        ASSERT_EQ(Pellmar_InitLib(&pool), 0);
    }
    void TearDown() override { Pellmar_FiniLib(); }
};

// The shared library's dynamic symbols, as the system's nm lists them.
std::vector<std::string> ExportedNames()
{
    std::vector<std::string> names;
    FILE* pipe = popen("nm -D --defined-only " PELLMAR_LIBRARY, "r");
    if (pipe == nullptr)
        return names;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name)
            names.push_back(name);
    }
    pclose(pipe);
    return names;
}

TEST(SharedLibrary, ExportsOnlyTheInterface)
{
    const std::vector<std::string> names = ExportedNames();
    EXPECT_GE(names.size(), 38u);
    for (const std::string& name : names)
        EXPECT_EQ(name.rfind("Pellmar_", 0), 0u) << name;
}

TEST(LibraryStart, IsCountedAndChecksPortRanges)
{
    const PORT_POOL_T tooHigh{65000, 600, 1000, 10};
    EXPECT_EQ(Pellmar_InitLib(&tooHigh), -1);
    const PORT_POOL_T udpTooHigh{1000, 10, 65535, 1};
    EXPECT_EQ(Pellmar_InitLib(&udpTooHigh), -1);
    EXPECT_EQ(Pellmar_CreateSession(), 0); // nothing started

    EXPECT_EQ(Pellmar_InitLib(nullptr), 0);
    EXPECT_EQ(Pellmar_InitLib(&tooHigh), 0); // only counted: the range is not looked at again
    const int session = Pellmar_CreateSession();
    EXPECT_GT(session, 0);
    Pellmar_FiniLib();
    EXPECT_EQ(Pellmar_Pause(session), -1); // still started: the handle exists, the session is closed
    Pellmar_FiniLib();
    EXPECT_EQ(Pellmar_CreateSession(), 0);
    Pellmar_FiniLib(); // one too many changes nothing
    EXPECT_EQ(Pellmar_InitLib(nullptr), 0);
    EXPECT_EQ(Pellmar_CreateSession(), 1); // a new start has new handles
    Pellmar_FiniLib();
}

struct TimeoutCase
{
    unsigned int milliseconds;
    int result;
};

class DescribeTimeout : public testing::TestWithParam<TimeoutCase>
{ };

TEST_P(DescribeTimeout, AcceptsFiveToHundredTwentySeconds)
{
    EXPECT_EQ(Pellmar_SetDescribeTimeout(GetParam().milliseconds), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Bounds, DescribeTimeout,
                         testing::Values(TimeoutCase{4999, -1}, TimeoutCase{5000, 0}, TimeoutCase{120000, 0},
                                         TimeoutCase{120001, -1}, TimeoutCase{0, -1}));

class MediaSilenceTimeout : public testing::TestWithParam<TimeoutCase>
{ };

TEST_P(MediaSilenceTimeout, AcceptsOneSecondToTenMinutesOrOff)
{
    EXPECT_EQ(Pellmar_SetMediaSilenceTimeout(GetParam().milliseconds), GetParam().result);
    Pellmar_SetMediaSilenceTimeout(10000);
}

INSTANTIATE_TEST_SUITE_P(Bounds, MediaSilenceTimeout,
                         testing::Values(TimeoutCase{999, -1}, TimeoutCase{1000, 0}, TimeoutCase{600000, 0},
                                         TimeoutCase{600001, -1}, TimeoutCase{0, 0}));

// Each thread's voluntary context switches (each a wait that ended), by thread id.
std::map<std::string, long> VoluntarySwitchesByThread()
{
    std::map<std::string, long> switches;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                switches[task.path().filename()] = std::stol(line.substr(line.find(':') + 1));
    }
    return switches;
}

// The most any one thread other than the caller's woke since `before`.
long MostWakeUpsOfOneThread(const std::map<std::string, long>& before)
{
    const std::string self = std::to_string(gettid());
    long most = 0;
    for (const auto& [thread, count] : VoluntarySwitchesByThread())
        if (thread != self)
            most = std::max(most, count - (before.count(thread) ? before.at(thread) : 0));
    return most;
}

// The library's own threads sleep whole rounds (a second, four seconds), not
// slices of them: each wake-up of an idle thread costs as much as receiving
// a good many packets. Ending them still takes no round's wait. Counted per
// thread: the library runs some eighteen, and on a loaded machine each may
// wait once more, so the process's sum says little.
TEST_F(Library, IdleThreadsBarelyWakeAndStopAtOnce)
{
    const auto before = VoluntarySwitchesByThread();
    // A window to count wake-ups in, not a wait for something to happen.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    // Slices of 100 ms would make 20 in two seconds; whole rounds of a second make 2 or 3.
    EXPECT_LE(MostWakeUpsOfOneThread(before), 5);
    const auto stopping = std::chrono::steady_clock::now();
    Pellmar_FiniLib();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::milliseconds(500));
    const PORT_POOL_T pool = TestPortPool();
    ASSERT_EQ(Pellmar_InitLib(&pool), 0); // for TearDown
}

TEST_F(Library, HandlesAreRecycledFirstInFirstOut)
{
    EXPECT_EQ(Pellmar_CreateSession(), 1);
    EXPECT_EQ(Pellmar_CreateSession(), 2);
    EXPECT_EQ(Pellmar_CreateSession(), 3);
    Pellmar_DestroySession(2);
    Pellmar_DestroySession(2); // only logged
    EXPECT_EQ(Pellmar_CreateSession(), 4);
    EXPECT_EQ(Pellmar_Pause(2), -1);
}

TEST_F(Library, NineThousandNineHundredNinetyNineSessionsThenNoMore)
{
    std::vector<int> handles;
    for (int i = 0; i < 9999; ++i)
        handles.push_back(Pellmar_CreateSession());
    EXPECT_EQ(handles.front(), 1);
    EXPECT_EQ(handles.back(), 9999);
    EXPECT_EQ(Pellmar_CreateSession(), 0);
    Pellmar_DestroySession(5000);
    EXPECT_EQ(Pellmar_CreateSession(), 5000);
    for (int handle : handles)
        Pellmar_DestroySession(handle);
}

TEST_F(Library, UnknownHandlesAndNullRecordsAreRefused)
{
    for (int handle : {0, -3, 10000, 77}) {
        STREAM_PARAM_T param{};
        EXPECT_EQ(Pellmar_StartStream(handle, &param), -1);
        EXPECT_EQ(Pellmar_StopStream(handle), -1);
        EXPECT_EQ(Pellmar_Pause(handle), -1);
        EXPECT_EQ(Pellmar_Interrupt(handle), -1);
        EXPECT_EQ(Pellmar_GetBackChannelIndex(handle), -1);
        Pellmar_DestroySession(handle);
    }
    const int session = Pellmar_CreateSession();
    EXPECT_EQ(Pellmar_StartStream(session, nullptr), -1);
    EXPECT_EQ(Pellmar_PTZControl(session, nullptr), -1);
    EXPECT_EQ(Pellmar_GetVideoParam(session, nullptr), -1);
    EXPECT_EQ(Pellmar_SendData(session, 0, nullptr), -1);
    // A closed session refuses play control and redirect queries.
    EXPECT_EQ(Pellmar_Resume(session), -1);
    const char* redirect = "untouched";
    EXPECT_EQ(Pellmar_QueryRedirectUrl(session, "rtsp://127.0.0.1:1/x", &redirect), -1);
    EXPECT_STREQ(redirect, "untouched");
    STREAM_CONTROL_T control{};
    EXPECT_EQ(Pellmar_StreamControl(session, &control), PELLMAR_ERR_CLOSED);
    EXPECT_EQ(Pellmar_StreamControl(session, nullptr), PELLMAR_ERR_PARAM);
    Pellmar_DestroySession(session);
}

TEST_F(Library, StartFailuresGiveTheirErrors)
{
    const int session = Pellmar_CreateSession();
    StreamRecorder recorder;
    STREAM_PARAM_T param = recorder.Param("http://127.0.0.1/x", PELLMAR_TRANS_RTSP);
    EXPECT_EQ(Pellmar_StartStream(session, &param), PELLMAR_ERR_URL);
    param = recorder.Param("rtsp://127.0.0.1:1/x", PELLMAR_TRANS_RTSP); // nobody listens on port 1
    EXPECT_EQ(Pellmar_StartStream(session, &param), PELLMAR_ERR_CONNECT);
    param = recorder.Param("rtsp://127.0.0.1:1/x", 5);
    EXPECT_EQ(Pellmar_StartStream(session, &param), PELLMAR_ERR_PARAM);
    EXPECT_EQ(Pellmar_ProbeByDescribe(session, "rtsp://127.0.0.1:1/x", "", "", "", 3), PELLMAR_ERR_URL);
    Pellmar_DestroySession(session);
}

TEST_F(Library, ContextIsCopiedIntoTheCallersCapacity)
{
    const int session = Pellmar_CreateSession();
    EXPECT_EQ(Pellmar_SetContextEx(session, "token", "secret", 6), 0);
    EXPECT_EQ(Pellmar_SetContextEx(session, "token", "other", 5), -1);
    EXPECT_EQ(Pellmar_SetContextEx(session, "empty", "x", 0), -1);
    EXPECT_EQ(Pellmar_SetContextEx(session, nullptr, "x", 1), -1);

    char small[4] = {'#', '#', '#', '#'};
    int length = 0;
    EXPECT_EQ(Pellmar_GetContext(session, "token", small, sizeof small, &length), -1);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(std::memcmp(small, "####", 4), 0);
    char exact[6];
    EXPECT_EQ(Pellmar_GetContext(session, "token", exact, sizeof exact, &length), 0);
    EXPECT_EQ(std::memcmp(exact, "secret", 6), 0);
    EXPECT_EQ(Pellmar_GetContext(session, "missing", exact, sizeof exact, &length), -1);
    EXPECT_EQ(Pellmar_GetContext(session, "token", exact, sizeof exact, nullptr), -1);

    Session_Context_T record{};
    std::strcpy(record.szName, "raw");
    char value[3] = {'a', 'b', 'c'};
    record.pValue = value;
    record.iValueLen = 3;
    EXPECT_EQ(Pellmar_SetContext(session, &record), 0);
    char text[8] = {};
    EXPECT_EQ(Pellmar_GetContext(session, "raw", text, sizeof text, &length), 0);
    EXPECT_EQ(length, 3);
    EXPECT_STREQ(text, "abc");
    Pellmar_DestroySession(session);
}

TEST_F(Library, BackChannelCallsCheckIndexAndHeaderLength)
{
    ScriptedServer server({"--back-channel"});
    ASSERT_TRUE(server.Started());
    const int session = Pellmar_CreateSession();
    StreamRecorder recorder;
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    unsigned char bytes[300] = {};
    STREAM_DATA_T data{bytes, 100, 0, 1, 160};
    EXPECT_EQ(Pellmar_SendData(session, 4, &data), -1);
    EXPECT_EQ(Pellmar_SendData(session, -1, &data), -1);
    EXPECT_EQ(Pellmar_SendDataEx(session, -1, 0, &data), -1);
    EXPECT_EQ(Pellmar_SendDataEx(session, 4, PELLMAR_SEND_ANNOUNCE, &data), -1);
    STREAM_DATA_T longHeader{bytes, 300, 0, 1, 0};
    EXPECT_EQ(Pellmar_SendDataEx(session, 0, PELLMAR_SEND_ANNOUNCE, &longHeader), -1);
    EXPECT_EQ(server.Events().Count({"\"method\": \"ANNOUNCE\""}), 0u);
    STREAM_DATA_T header{bytes, 256, 0, 1, 0};
    EXPECT_EQ(Pellmar_SendDataEx(session, 0, PELLMAR_SEND_ANNOUNCE, &header), 0);
    EXPECT_TRUE(server.Events().WaitFor({"\"method\": \"ANNOUNCE\"", "Media_header:MEDIAINFO=base64,"}));
    EXPECT_EQ(server.Events().Count({"\"event\": \"rtp-received\""}), 0u);
    Pellmar_DestroySession(session);
}

TEST(LibraryEnd, ReleasesSessionsStillPlaying)
{
    ScriptedServer server({});
    ASSERT_TRUE(server.Started());
    StreamRecorder recorder;
    ASSERT_EQ(Pellmar_InitLib(nullptr), 0);
    const int session = Pellmar_CreateSession();
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_StartStream(session, &param), 0);
    ASSERT_TRUE(recorder.WaitPackets(5));
    Pellmar_FiniLib();
    recorder.stopped = true;
    EXPECT_TRUE(server.Events().WaitFor({"\"event\": \"closed\""}));
    EXPECT_EQ(recorder.afterStop, 0);
    EXPECT_EQ(Pellmar_Pause(session), -1);
}

TEST_F(Library, PrepareSessionInfoRefusesEmptyBuffers)
{
    const int session = Pellmar_CreateSession();
    char buffer[8];
    int length = 0;
    EXPECT_EQ(Pellmar_PrepareSessionInfo(session, "rtsp://127.0.0.1:1/x", buffer, 0, &length), -1);
    EXPECT_EQ(Pellmar_PrepareSessionInfo(session, "rtsp://127.0.0.1:1/x", buffer, -5, &length), -1);
    EXPECT_EQ(Pellmar_PrepareSessionInfo(session, nullptr, buffer, sizeof buffer, &length), -1);
    EXPECT_EQ(Pellmar_PrepareSessionInfo(session, "rtsp://127.0.0.1:1/x", nullptr, 8, &length), -1);
    Pellmar_DestroySession(session);
}

// A per-session call running while its handle is destroyed finishes on a
// live object.
TEST_F(Library, DestroyWhileACallRunsWaitsForIt)
{
    ScriptedServer server({"--silent-at", "DESCRIBE"});
    ASSERT_TRUE(server.Started());
    const int session = Pellmar_CreateSession();
    StreamRecorder recorder;
    STREAM_PARAM_T param = recorder.Param(server.Url(), PELLMAR_TRANS_RTSP);
    ASSERT_EQ(Pellmar_SetDescribeTimeout(5000), 0);
    int result = 0;
    std::thread caller([&] { result = Pellmar_StartStream(session, &param); });
    ASSERT_TRUE(server.Events().WaitFor({"\"method\": \"DESCRIBE\""}));
    Pellmar_DestroySession(session);
    caller.join();
    EXPECT_EQ(result, PELLMAR_ERR_TIMEOUT);
    EXPECT_EQ(Pellmar_SetDescribeTimeout(15000), 0);
}

} // namespace
