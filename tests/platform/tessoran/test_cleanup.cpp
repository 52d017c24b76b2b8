// TSR_Cleanup with work under way, and the SDK's state after it.

#include "SdkFixture.h"
#include "StreamCollector.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <functional>
#include <thread>

using namespace std::chrono;

namespace {

std::atomic<int> g_alarms{0};
std::atomic<bool> g_cleanupInCallback{false};

TSR_BOOL countAlarm(int32_t, const TSR_ALARMER*, const char*, uint32_t, void*)
{
    ++g_alarms;
    if (g_cleanupInCallback.exchange(false))
        TSR_Cleanup();
    return 1;
}

class CleanupTest : public SdkFixture
{
protected:
    void SetUp() override
    {
        g_alarms = 0;
        g_cleanupInCallback = false;
        SdkFixture::SetUp();
    }
};

TEST_F(CleanupTest, WithListenersPlaysAndDownloadsActiveReturnsAndSilencesEverything)
{
    ASSERT_GE(TSR_StartListen("127.0.0.1", listenPort_, countAlarm, nullptr), 0);
    device().setAlarmRate(50);
    int32_t cameraLogin = loginCamera();
    ASSERT_GE(cameraLogin, 0);
    StreamCollector stream;
    TSR_PREVIEWINFO preview{};
    preview.lChannel = 1;
    ASSERT_GE(TSR_RealPlay(cameraLogin, &preview, StreamCollector::callback, &stream), 0);
    int32_t deviceLogin = loginDevice();
    ASSERT_GE(deviceLogin, 0);
    device().setDownloadRate(20 * 1024);
    QTemporaryDir dir;
    QDateTime now = QDateTime::currentDateTime();
    TSR_PLAYCOND c{};
    c.dwChannel = 1;
    auto set = [](TSR_TIME& t, const QDateTime& d) {
        t = TSR_TIME{uint32_t(d.date().year()), uint32_t(d.date().month()),  uint32_t(d.date().day()),
                     uint32_t(d.time().hour()), uint32_t(d.time().minute()), uint32_t(d.time().second())};
    };
    set(c.struStartTime, now.addSecs(-60));
    set(c.struStopTime, now.addSecs(-5));
    int32_t download = TSR_GetFileByTime(deviceLogin, dir.filePath("c.mp4").toUtf8().constData(), &c);
    ASSERT_GE(download, 0);
    ASSERT_TRUE(TSR_PlayBackControl(download, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return g_alarms > 5 && stream.countOf(TSR_DATA_STREAM) > 2; }));

    auto started = steady_clock::now();
    EXPECT_TRUE(TSR_Cleanup());
    EXPECT_LT(steady_clock::now() - started, seconds(10));
    int alarms = g_alarms, blocks = stream.count;
    std::this_thread::sleep_for(milliseconds(700));
    EXPECT_EQ(g_alarms, alarms);
    EXPECT_EQ(stream.count, blocks);

    uint32_t size = 0;
    TSR_IPPARACFG config;
    const std::vector<std::pair<const char*, std::function<bool()>>> calls = {
        {"Login", [&] { return loginDevice() == -1; }},
        {"Logout", [&] { return !TSR_Logout(deviceLogin); }},
        {"GetDeviceConfig",
         [&] { return !TSR_GetDeviceConfig(deviceLogin, TSR_GET_IPPARACFG, 0, &config, sizeof config, &size); }},
        {"StartListen", [&] { return TSR_StartListen(nullptr, listenPort_, countAlarm, nullptr) == -1; }},
        {"StopListen", [&] { return !TSR_StopListen(0); }},
        {"SetMessageCallBack", [&] { return !TSR_SetMessageCallBack(countAlarm, nullptr); }},
        {"SetExceptionCallBack", [&] { return !TSR_SetExceptionCallBack(0, nullptr, nullptr, nullptr); }},
        {"RealPlay", [&] { return TSR_RealPlay(cameraLogin, &preview, nullptr, nullptr) == -1; }},
        {"SetRealDataCallBack", [&] { return !TSR_SetRealDataCallBack(0, nullptr, nullptr); }},
        {"StopRealPlay", [&] { return !TSR_StopRealPlay(0); }},
        {"GetFileByTime", [&] { return TSR_GetFileByTime(deviceLogin, "/tmp/x.mp4", &c) == -1; }},
        {"PlayBackControl",
         [&] { return !TSR_PlayBackControl(download, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr); }},
        {"GetDownloadPos", [&] { return TSR_GetDownloadPos(download) == -1; }},
        {"StopGetFile", [&] { return !TSR_StopGetFile(download); }},
        {"SetNetworkTimes", [&] { return !TSR_SetNetworkTimes(1, 1, 1); }},
    };
    for (auto& [name, failed] : calls) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(failed());
        EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_NOT_INITIALISED));
        EXPECT_NE(TSR_GetErrorMsg(nullptr), nullptr);
    }
}

// Calls under way on other threads when clean-up runs finish or fail cleanly:
// nothing they made outlives the clean-up or crashes (the sanitizer build
// watches for objects used after their end).
TEST_F(CleanupTest, RacingWithCallsOnOtherThreads)
{
    std::atomic<bool> done{false};
    std::atomic<int> plays{0};
    StreamCollector collectors[4];
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            while (!done) {
                int32_t id = w % 2 ? loginCamera(w / 2) : loginDevice();
                if (id < 0)
                    continue;
                TSR_PREVIEWINFO preview{};
                preview.lChannel = 1;
                int32_t handle = TSR_RealPlay(id, &preview, StreamCollector::callback, &collectors[w]);
                if (handle >= 0) {
                    ++plays;
                    TSR_StopRealPlay(handle);
                }
                TSR_Logout(id);
            }
        });
    }
    ASSERT_TRUE(testsupport::WaitUntil([&] { return plays >= 4; }));
    EXPECT_TRUE(TSR_Cleanup());
    std::this_thread::sleep_for(milliseconds(200));
    done = true;
    for (auto& t : workers)
        t.join();
    EXPECT_EQ(loginDevice(), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_NOT_INITIALISED));
}

TEST_F(CleanupTest, TwiceIsHarmlessAndInitStartsAfresh)
{
    int32_t before = loginDevice();
    ASSERT_GE(before, 0);
    EXPECT_TRUE(TSR_Cleanup());
    EXPECT_TRUE(TSR_Cleanup());
    ASSERT_TRUE(TSR_Init());
    int32_t after = loginDevice();
    ASSERT_GE(after, 0);
    EXPECT_GT(after, before);
    EXPECT_FALSE(TSR_Logout(before)); // the old login ended with the clean-up
    EXPECT_TRUE(TSR_Logout(after));
}

TEST_F(CleanupTest, FromInsideAListenerCallback)
{
    ASSERT_GE(loginDevice(), 0); // alarms come only from devices logged into
    ASSERT_GE(TSR_StartListen("127.0.0.1", listenPort_, countAlarm, nullptr), 0);
    g_cleanupInCallback = true;
    device().fireAlarms(devsim::AlarmKind::Incident, 20);
    ASSERT_TRUE(testsupport::WaitUntil([] { return g_alarms >= 1 && !g_cleanupInCallback; }));
    std::this_thread::sleep_for(milliseconds(700));
    EXPECT_EQ(g_alarms, 1);
    EXPECT_EQ(loginDevice(), -1);
    EXPECT_EQ(TSR_GetLastError(), uint32_t(TSR_ERR_NOT_INITIALISED));
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
