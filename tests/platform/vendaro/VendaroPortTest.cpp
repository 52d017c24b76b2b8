#include "TestClip.h"
#include "VendaroTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace {

TEST(VendaroPortTest, ThePoolHandsOutFreePortsFromZeroUntilItIsExhausted)
{
    ASSERT_TRUE(Mavro_SetPortPoolSize(3));
    long ports[3] = {-1, -1, -1};
    for (long& port : ports)
        ASSERT_TRUE(Mavro_GetPort(&port));
    EXPECT_EQ(ports[0], 0);
    EXPECT_EQ(ports[1], 1);
    EXPECT_EQ(ports[2], 2);
    long extra = -1;
    EXPECT_EQ(Mavro_GetPort(&extra), 0);
    EXPECT_EQ(extra, -1);

    ASSERT_TRUE(Mavro_FreePort(ports[1]));
    EXPECT_TRUE(Mavro_GetPort(&extra));
    EXPECT_EQ(extra, 1);
    for (long port : ports)
        EXPECT_TRUE(Mavro_FreePort(port));
    EXPECT_TRUE(Mavro_SetPortPoolSize(64));
    EXPECT_EQ(Mavro_SetPortPoolSize(0), 0);
    EXPECT_EQ(Mavro_GetPort(nullptr), 0);
}

struct PortCall
{
    const char* name;
    std::function<int(long)> call;
};

void PrintTo(const PortCall& row, std::ostream* out)
{
    *out << row.name;
}

class VendaroInvalidPortTest : public ::testing::TestWithParam<PortCall>
{ };

TEST_P(VendaroInvalidPortTest, FailsWithInvalidPortOnUnknownAndFreedPorts)
{
    long freed = -1;
    ASSERT_TRUE(Mavro_GetPort(&freed));
    ASSERT_TRUE(Mavro_FreePort(freed));
    for (long port : {-1L, freed, 100000L}) {
        EXPECT_EQ(GetParam().call(port), 0) << port;
        EXPECT_EQ(Mavro_GetLastError(port), unsigned(MAVRO_ERR_INVALID_PORT)) << port;
    }
}

const uint8_t kBlock[16] = {};
const MAVRO_SESSION_INFO kHeader{MAVRO_SESSION_HEADER, 16, kBlock};
void noCallback(long, void*)
{
}

INSTANTIATE_TEST_SUITE_P(
    Calls, VendaroInvalidPortTest,
    ::testing::Values(
        PortCall{"FreePort", [](long p) { return Mavro_FreePort(p); }},
        PortCall{"SetStreamOpenMode", [](long p) { return Mavro_SetStreamOpenMode(p, 0); }},
        PortCall{"OpenStreamAdvanced", [](long p) { return Mavro_OpenStreamAdvanced(p, 1, &kHeader, 0); }},
        PortCall{"InputData", [](long p) { return Mavro_InputData(p, kBlock, 16); }},
        PortCall{"CloseStream", [](long p) { return Mavro_CloseStream(p); }},
        PortCall{"OpenFile", [](long p) { return Mavro_OpenFile(p, "/dev/null"); }},
        PortCall{"CloseFile", [](long p) { return Mavro_CloseFile(p); }},
        PortCall{"Play", [](long p) { return Mavro_Play(p, 0); }},
        PortCall{"Stop", [](long p) { return Mavro_Stop(p); }},
        PortCall{"Pause", [](long p) { return Mavro_Pause(p, 1); }},
        PortCall{"Fast", [](long p) { return Mavro_Fast(p); }}, PortCall{"Slow", [](long p) { return Mavro_Slow(p); }},
        PortCall{"OneByOne", [](long p) { return Mavro_OneByOne(p); }},
        PortCall{"OneByOneBack", [](long p) { return Mavro_OneByOneBack(p); }},
        PortCall{"SetPlayedTimeEx", [](long p) { return Mavro_SetPlayedTimeEx(p, 0); }},
        PortCall{"SetPlayPos", [](long p) { return Mavro_SetPlayPos(p, 0.5f); }},
        PortCall{"SetFileRefCallBack", [](long p) { return Mavro_SetFileRefCallBack(p, noCallback, nullptr); }},
        PortCall{"SetFileEndCallback", [](long p) { return Mavro_SetFileEndCallback(p, noCallback, nullptr); }},
        PortCall{"PlaySoundShare", [](long p) { return Mavro_PlaySoundShare(p); }},
        PortCall{"StopSoundShare", [](long p) { return Mavro_StopSoundShare(p); }},
        PortCall{"GetLastFrameImage", [](long p) { return Mavro_GetLastFrameImage(p, nullptr, 0, nullptr, nullptr); }},
        PortCall{"GetFileTime", [](long p) { return int(Mavro_GetFileTime(p)); }},
        PortCall{"GetFileTotalFrames", [](long p) { return int(Mavro_GetFileTotalFrames(p)); }},
        PortCall{"GetPlayPos", [](long p) { return int(Mavro_GetPlayPos(p) * 100); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VendaroPortTest, QueriesOnAFreedPortSayUnknown)
{
    long port = -1;
    ASSERT_TRUE(Mavro_GetPort(&port));
    ASSERT_TRUE(Mavro_FreePort(port));
    EXPECT_EQ(Mavro_GetPlayedTime(port), -1);
    EXPECT_EQ(Mavro_GetPlayedTimeEx(port), -1);
    EXPECT_EQ(Mavro_GetDecodedFrameCount(port), 0u);
}

// ---- Callbacks and FreePort ----

class VendaroCallbackRaceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_clip = new TestClip(TestClip::Codec::H264, TestClip::Container::TransportStream, 1, "clip.mp4");
    }
    static void TearDownTestSuite()
    {
        delete s_clip;
        s_clip = nullptr;
    }
    static QByteArray clipPath() { return s_clip->path().toLocal8Bit(); }
    static TestClip* s_clip;
};

TestClip* VendaroCallbackRaceTest::s_clip = nullptr;

struct RaceState
{
    std::atomic<bool> inCallback{false};
    std::atomic<bool> callbackDone{false};
    std::atomic<bool> freed{false};
    std::atomic<int> afterFree{0};
    std::atomic<int> calls{0};
};

TEST_F(VendaroCallbackRaceTest, FreePortWaitsForARunningCallbackAndNoneRunsAfterIt)
{
    RaceState state;
    long port = -1;
    ASSERT_TRUE(Mavro_GetPort(&port));
    const auto slowEnd = [](long p, void* user) {
        auto* s = static_cast<RaceState*>(user);
        s->inCallback = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Mavro_GetPlayedTime(p); // calling back into the layer is allowed
        s->callbackDone = true;
    };
    ASSERT_TRUE(Mavro_SetFileEndCallback(port, slowEnd, &state));
    ASSERT_TRUE(Mavro_OpenFile(port, clipPath().constData()));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Mavro_Fast(port));
    ASSERT_TRUE(Mavro_Play(port, 0));
    ASSERT_TRUE(WaitUntil([&] { return state.inCallback.load(); }));
    EXPECT_TRUE(Mavro_FreePort(port));
    EXPECT_TRUE(state.callbackDone.load());
}

TEST_F(VendaroCallbackRaceTest, NoIndexCallbackArrivesAfterFreePortReturns)
{
    RaceState state;
    const auto record = [](long, void* user) {
        auto* s = static_cast<RaceState*>(user);
        ++s->calls;
        if (s->freed)
            ++s->afterFree;
    };
    for (int round = 0; round < 20; ++round) {
        state.freed = false;
        long port = -1;
        ASSERT_TRUE(Mavro_GetPort(&port));
        ASSERT_TRUE(Mavro_SetFileRefCallBack(port, record, &state));
        ASSERT_TRUE(Mavro_OpenFile(port, clipPath().constData()));
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5 * 5)); // race the index thread
        ASSERT_TRUE(Mavro_FreePort(port));
        state.freed = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(state.afterFree.load(), 0);
}

TEST_F(VendaroCallbackRaceTest, ACallbackMayFreeItsOwnPort)
{
    struct Own
    {
        long port = -1;
        std::atomic<int> freed{-1};
    } own;
    ASSERT_TRUE(Mavro_GetPort(&own.port));
    const auto freeSelf = [](long p, void* user) { static_cast<Own*>(user)->freed = Mavro_FreePort(p); };
    ASSERT_TRUE(Mavro_SetFileEndCallback(own.port, freeSelf, &own));
    ASSERT_TRUE(Mavro_OpenFile(own.port, clipPath().constData()));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Mavro_Fast(own.port));
    ASSERT_TRUE(Mavro_Play(own.port, 0));
    ASSERT_TRUE(WaitUntil([&] { return own.freed.load() != -1; }));
    EXPECT_EQ(own.freed.load(), 1);
    EXPECT_EQ(Mavro_GetLastError(own.port), unsigned(MAVRO_ERR_INVALID_PORT));
}

} // namespace
