// Incident clips fetched from the device's recording on the manager's pool.

#include "DeviceLinkFixture.h"

#include <QElapsedTimer>

#include <thread>

namespace {

using namespace std::chrono_literals;

const char* kTimeFormat = "yyyyMMddHHmmss";

class ClipDownloadTest : public DeviceLinkTest
{
protected:
    void SetUp() override
    {
        DeviceLinkTest::SetUp();
        ClipTiming timing;
        timing.pollInterval = 100ms;
        timing.maxPolls = 600;
        manager->SetClipTiming(timing);
        deviceId = LoginDevice();
        ASSERT_GE(deviceId, 0);
        ASSERT_TRUE(QDir().mkpath(ClipFolder()));
    }

    QString ClipFolder() const { return DataPath() + QStringLiteral("/video/20260501/"); }
    QString ClipFile(const QString& name) const { return ClipFolder() + name; }
    // Asks for the clip of 30 seconds around `alarm`, as the incident handler does.
    void Download(const QDateTime& alarm, const QString& file)
    {
        manager->DownloadVideo(-15, 15, DeviceIp(), DeviceSpec().port, 1,
                               alarm.toString(QString::fromLatin1(kTimeFormat)), file);
    }
    // A download that is still writing `file` when this returns.
    void StartSlowDownload(const QString& file)
    {
        Device().setDownloadRate(4000);
        Download(QDateTime::currentDateTime().addSecs(-300), file);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return FileSize(file) > 0; }));
    }
    long deviceId = -1;
};

TEST_F(ClipDownloadTest, PastAlarmIsFetchedAtOnceAsAPlayableClip)
{
    const QString file = ClipFile(QStringLiteral("incident_4_127.0.0.2_past.mp4"));
    QElapsedTimer timer;
    timer.start();
    Download(QDateTime::currentDateTime().addSecs(-300), file);
    ASSERT_TRUE(manager->WaitForClipJobs(60000));
    EXPECT_LT(timer.elapsed(), 60000);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_NEAR(SecondsOfVideo(file), 30.0, 1.5);
}

TEST_F(ClipDownloadTest, ClipPathOutsideLatin1IsWrittenUnderItsOwnName)
{
    const QString file = ClipFile(QStringLiteral("事件_逆行.mp4"));
    Download(QDateTime::currentDateTime().addSecs(-300), file);
    ASSERT_TRUE(manager->WaitForClipJobs(60000));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_GT(SecondsOfVideo(file), 25.0);
}

TEST_F(ClipDownloadTest, RecentAlarmWaitsUntilTheDeviceStoredItsEnd)
{
    // The clip ends 5-6 s before the wall clock; the manager's clock says that
    // was 118-119 s ago, so 1-2 s of the store delay are left. The alarm time
    // travels in whole seconds, so what is left depends on where in the second
    // the call lands: it is taken from the clip's real end, not assumed.
    clockOffsetMs = 113 * 1000;
    const QString file = ClipFile(QStringLiteral("recent.mp4"));
    const QString alarmText = QDateTime::currentDateTime().addSecs(-20).toString(QString::fromLatin1(kTimeFormat));
    const QDateTime clipEnd = QDateTime::fromString(alarmText, QString::fromLatin1(kTimeFormat)).addSecs(15);
    QElapsedTimer timer;
    timer.start();
    const qint64 storeLeftMs = 120 * 1000 - clipEnd.msecsTo(Now());
    // A client that never waits would finish well inside this.
    ASSERT_GE(storeLeftMs, 900);
    manager->DownloadVideo(-15, 15, DeviceIp(), DeviceSpec().port, 1, alarmText, file);
    // The download itself takes about as long as the wait: the file's first
    // appearance, not the end of the job, tells whether the client waited.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return QFile::exists(file); }, std::chrono::seconds(60)));
    const qint64 startedMs = timer.elapsed();
    ASSERT_TRUE(manager->WaitForClipJobs(60000));
    // Whole seconds round the wait up, never down; a few ms of slack for the sleep's clock.
    EXPECT_GE(startedMs, storeLeftMs - 20);
    EXPECT_NEAR(SecondsOfVideo(file), 30.0, 1.5);
}

TEST_F(ClipDownloadTest, ShutdownCutsTheWaitShort)
{
    const QString file = ClipFile(QStringLiteral("now.mp4"));
    Download(QDateTime::currentDateTime(), file);
    std::this_thread::sleep_for(200ms); // the job is waiting
    QElapsedTimer timer;
    timer.start();
    DeviceManager::DestroyInstance();
    // Without the cut, the pool would be waited for ten seconds and more.
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(QFile::exists(file));
}

// The program closing: the clip jobs stop, then the SDK is cleaned up.
TEST_F(ClipDownloadTest, ADownloadUnderWayAtCloseStopsBeforeTheCleanUpWithoutAnError)
{
    LogCapture log("SaveVideoRunnable", "%l %v");
    const QString file = ClipFile(QStringLiteral("closing.mp4"));
    ASSERT_NO_FATAL_FAILURE(StartSlowDownload(file));

    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(manager->StopClipJobs(5000));
    EXPECT_LT(timer.elapsed(), 2000);
    TSR_Cleanup();
    // Stopped: the file does not grow any more, and nothing was reported as failed.
    const qint64 size = FileSize(file);
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(FileSize(file), size);
    EXPECT_EQ(log.Count("error "), 0);
}

TEST_F(ClipDownloadTest, AJobTheCleanUpEndsAfterTheCloseIsNoFailure)
{
    LogCapture log("SaveVideoRunnable", "%l %v");
    const QString file = ClipFile(QStringLiteral("cut.mp4"));
    ASSERT_NO_FATAL_FAILURE(StartSlowDownload(file));

    // No time given to stop: the clean-up may end the download first.
    manager->StopClipJobs(0);
    TSR_Cleanup();
    ASSERT_TRUE(manager->WaitForClipJobs(10000));
    EXPECT_EQ(log.Count("error "), 0);
}

TEST_F(ClipDownloadTest, EndlessDownloadIsGivenUpAndStopped)
{
    LogCapture log("SaveVideoRunnable");
    Device().setDownloadRate(4000);
    ClipTiming timing;
    timing.pollInterval = 100ms;
    timing.maxPolls = 5;
    manager->SetClipTiming(timing);
    const QString file = ClipFile(QStringLiteral("slow.mp4"));
    Download(QDateTime::currentDateTime().addSecs(-300), file);
    ASSERT_TRUE(manager->WaitForClipJobs(20000));
    EXPECT_TRUE(log.Contains("录像下载超时"));
    // The download was stopped: the file does not grow any more.
    const qint64 size = FileSize(file);
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(FileSize(file), size);
}

TEST_F(ClipDownloadTest, DeviceWithoutTheRecordingReportsTheFailure)
{
    LogCapture log("SaveVideoRunnable");
    // The simulator records from one hour before its start.
    Download(QDateTime::currentDateTime().addDays(-2), ClipFile(QStringLiteral("old.mp4")));
    ASSERT_TRUE(manager->WaitForClipJobs(20000));
    EXPECT_TRUE(log.Contains("SaveVideoRunnable::run, 设备" + std::to_string(deviceId) + "获取录像失败, 错误码：" +
                             std::to_string(TSR_ERR_NO_VIDEO)));
}

struct RefusedRequest
{
    const char* name;
    const char* deviceIp;  // null: the simulated device
    const char* alarmTime; // null: five minutes ago
    const char* file;
    const char* logText; // null: refused silently
};

// Cases print as their names in test listings.
void PrintTo(const RefusedRequest& c, std::ostream* out)
{
    *out << c.name;
}

class RefusedClipTest : public ClipDownloadTest, public ::testing::WithParamInterface<RefusedRequest>
{ };

TEST_P(RefusedClipTest, QueuesNothing)
{
    const RefusedRequest& r = GetParam();
    LogCapture log("DeviceManager");
    const QString time = r.alarmTime
                             ? QString::fromLatin1(r.alarmTime)
                             : QDateTime::currentDateTime().addSecs(-300).toString(QString::fromLatin1(kTimeFormat));
    const QString file = DataPath() + QString::fromUtf8(r.file);
    manager->DownloadVideo(-15, 15, r.deviceIp ? QString::fromLatin1(r.deviceIp) : DeviceIp(), DeviceSpec().port, 1,
                           time, file);
    ASSERT_TRUE(manager->WaitForClipJobs(5000));
    EXPECT_FALSE(QFile::exists(file));
    if (r.logText) {
        EXPECT_TRUE(log.Contains(r.logText));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RefusedClipTest,
    ::testing::Values(RefusedRequest{"DeviceWithoutLogin", "127.0.0.77", nullptr, "/video/20260501/a.mp4", nullptr},
                      RefusedRequest{"MonthThirteen", nullptr, "20261345120000", "/video/20260501/b.mp4",
                                     "报警时间20261345120000无效"},
                      RefusedRequest{"TooShortTime", nullptr, "2026050112", "/video/20260501/c.mp4",
                                     "无效，不下载录像"},
                      RefusedRequest{"PathClimbsOut", nullptr, nullptr, "/video/20260501/../../../d.mp4", "录像路径"}),
    [](const ::testing::TestParamInfo<RefusedRequest>& info) { return std::string(info.param.name); });

struct WaitCase
{
    const char* name;
    qint64 secondsSinceEnd;
    qint64 wait;
};

// Cases print as their names in test listings.
void PrintTo(const WaitCase& c, std::ostream* out)
{
    *out << c.name;
}

class ClipWaitTest : public ::testing::TestWithParam<WaitCase>
{ };

TEST_P(ClipWaitTest, FollowsTheStoreDelay)
{
    const QDateTime end(QDate(2026, 5, 1), QTime(10, 0, 15));
    EXPECT_EQ(ClipWaitSeconds(end, end.addSecs(GetParam().secondsSinceEnd), std::chrono::seconds(120)),
              GetParam().wait);
}

INSTANTIATE_TEST_SUITE_P(Times, ClipWaitTest,
                         ::testing::Values(WaitCase{"ClipStillRunning", -15, 120}, WaitCase{"ClipEndsNow", 0, 120},
                                           WaitCase{"OneSecondAfter", 1, 119}, WaitCase{"AlmostStored", 119, 1},
                                           WaitCase{"JustStored", 120, 0}, WaitCase{"LongAgo", 200, 0}),
                         [](const ::testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
