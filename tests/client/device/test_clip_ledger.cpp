// Incident clips kept in the database until they are on disk: fetched after a
// restart, a new login or a device that comes back; given up once the device
// no longer holds the recording.

#include "DeviceLinkFixture.h"

#include "device/ClipLedger.h"

#include <QElapsedTimer>

namespace {

using namespace std::chrono_literals;

class ClipLedgerTest : public DeviceLinkTest
{
protected:
    void SetUp() override
    {
        DeviceLinkTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(ClipFolder()));
        UseManager();
    }

    DatabaseOperation& Database() { return *ImplementInstance::GetInstance()->GetDatabase(); }
    QString ClipFolder() const { return DataPath() + QStringLiteral("/video/20260501/"); }

    // A manager as the client sets it up at start: clock, pacing, ledger.
    void UseManager(std::chrono::seconds storeDelay = 0s)
    {
        manager = DeviceManager::GetInstance();
        manager->SetClock([this] { return Now(); });
        ClipTiming timing;
        timing.storeDelay = storeDelay;
        timing.pollInterval = 100ms;
        timing.maxPolls = 1200;
        manager->SetClipTiming(timing);
        manager->SetClipLedger(ClipLedgerIn(Database()));
        manager->SetCallBack();
    }

    // Stores `count` incidents with their clip requests, as the alarm intake
    // does, for clips of `seconds` around `alarm`.
    QStringList StoreIncidents(int count, const QDateTime& alarm, int seconds = 4)
    {
        QStringList files;
        for (int i = 0; i < count; ++i) {
            TrafficIncident incident;
            incident.time = alarm.toString(QStringLiteral("yyyyMMddHHmmss"));
            incident.deviceIp = DeviceIp();
            incident.devicePort = DeviceSpec().port;
            incident.channelIp = CameraIp(0);
            incident.channelNo = 1;
            incident.incidentType = 4;
            incident.videoPath = ClipFolder() + QStringLiteral("incident_%1.mp4").arg(i);
            const ClipRequest clip{incident.videoPath,          incident.deviceIp,
                                   incident.devicePort,         1,
                                   alarm.addSecs(-seconds / 2), alarm.addSecs(seconds - seconds / 2)};
            EXPECT_TRUE(Database().InsertIncidentInfo(incident, {}, clip));
            files << incident.videoPath;
        }
        return files;
    }

    int OpenRequests()
    {
        QList<ClipRequest> requests;
        EXPECT_TRUE(Database().GetClipRequests(DeviceIp(), DeviceSpec().port, requests));
        return requests.size();
    }

    int ClipsOnDisk(const QStringList& files)
    {
        return static_cast<int>(
            std::count_if(files.begin(), files.end(), [](const QString& f) { return FileSize(f) > 0; }));
    }

    void QueueAll(const QStringList& files)
    {
        QList<ClipRequest> requests;
        ASSERT_TRUE(Database().GetClipRequests(DeviceIp(), DeviceSpec().port, requests));
        ASSERT_EQ(requests.size(), files.size());
        for (const ClipRequest& request : requests)
            manager->DownloadClip(request);
    }
};

TEST_F(ClipLedgerTest, ClipsPendingAtCloseAreOnDiskAfterTheNextStart)
{
    UseManager(120s);
    ASSERT_GE(LoginDevice(), 0);
    // Incidents of the last minute: their recordings are not stored yet at close.
    const QStringList files = StoreIncidents(12, QDateTime::currentDateTime().addSecs(-30));
    QueueAll(files);
    DeviceManager::DestroyInstance();
    EXPECT_EQ(ClipsOnDisk(files), 0);
    EXPECT_EQ(OpenRequests(), files.size());

    // The next start, once the device has stored them: the login fetches them.
    clockOffsetMs = 120 * 1000;
    UseManager(120s);
    ASSERT_GE(LoginDevice(), 0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return OpenRequests() == 0; }, 90s));
    ASSERT_TRUE(manager->WaitForClipJobs(30000));
    EXPECT_EQ(ClipsOnDisk(files), files.size());
}

TEST_F(ClipLedgerTest, ARequestOfADeviceLoggedOutIsFetchedAtItsNextLogin)
{
    const QStringList files = StoreIncidents(3, QDateTime::currentDateTime().addSecs(-300));
    QueueAll(files); // no login: nothing is asked yet
    ASSERT_TRUE(manager->WaitForClipJobs(5000));
    EXPECT_EQ(ClipsOnDisk(files), 0);

    ASSERT_GE(LoginDevice(), 0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return OpenRequests() == 0; }, 60s));
    ASSERT_TRUE(manager->WaitForClipJobs(30000));
    EXPECT_EQ(ClipsOnDisk(files), files.size());
}

TEST_F(ClipLedgerTest, ARequestLostToADroppedDeviceIsFetchedWhenItComesBack)
{
    LogCapture log("SaveVideoRunnable");
    ASSERT_GE(LoginDevice(), 0);
    const QStringList files = StoreIncidents(2, QDateTime::currentDateTime().addSecs(-300));
    Device().drop();
    QueueAll(files);
    ASSERT_TRUE(manager->WaitForClipJobs(60000));
    EXPECT_TRUE(log.Contains("留待设备恢复"));
    EXPECT_EQ(OpenRequests(), files.size());

    Device().restore();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return OpenRequests() == 0; }, 60s));
    ASSERT_TRUE(manager->WaitForClipJobs(30000));
    EXPECT_EQ(ClipsOnDisk(files), files.size());
}

TEST_F(ClipLedgerTest, AClipTheDeviceNoLongerHoldsIsGivenUpAndTheRowKeepsNoPath)
{
    LogCapture log("SaveVideoRunnable");
    ASSERT_GE(LoginDevice(), 0);
    // The simulator records from one hour before its start.
    const QStringList files = StoreIncidents(1, QDateTime::currentDateTime().addDays(-2));
    QueueAll(files);
    ASSERT_TRUE(manager->WaitForClipJobs(30000));
    EXPECT_EQ(OpenRequests(), 0);
    EXPECT_EQ(log.Count("不再下载"), 1);
    QList<TrafficIncident> incidents;
    ASSERT_TRUE(Database().GetIncidentInfo(0, 10, WholeRange(), incidents));
    ASSERT_EQ(incidents.size(), 1);
    EXPECT_TRUE(incidents[0].videoPath.isEmpty());
}

// How long the device takes to send one clip of `seconds` into `file`, asked
// for straight through the SDK and watched closely: the anchor of the burst.
qint64 OneDownloadMs(long userId, const QDateTime& start, int seconds, const QString& file)
{
    TSR_PLAYCOND condition{};
    condition.dwChannel = 1;
    const auto toDevice = [](const QDateTime& t) {
        TSR_TIME out{};
        out.dwYear = static_cast<uint32_t>(t.date().year());
        out.dwMonth = static_cast<uint32_t>(t.date().month());
        out.dwDay = static_cast<uint32_t>(t.date().day());
        out.dwHour = static_cast<uint32_t>(t.time().hour());
        out.dwMinute = static_cast<uint32_t>(t.time().minute());
        out.dwSecond = static_cast<uint32_t>(t.time().second());
        return out;
    };
    condition.struStartTime = toDevice(start);
    condition.struStopTime = toDevice(start.addSecs(seconds));
    QElapsedTimer timer;
    timer.start();
    const int handle = TSR_GetFileByTime(static_cast<int32_t>(userId), QFile::encodeName(file).constData(), &condition);
    if (handle < 0 || !TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr))
        return -1;
    const bool done = testsupport::WaitUntil([&] { return TSR_GetDownloadPos(handle) == 100; }, 60s);
    const qint64 took = timer.elapsed();
    TSR_StopGetFile(handle);
    return done ? took : -1;
}

// A burst's clips come as fast as the device sends them, not a few per poll:
// the client's own pacing, only the store delay shortened.
TEST_F(ClipLedgerTest, ABurstOf1500GetsAllItsClipsWithinTheStoreDelayPlusTheDownloads)
{
    constexpr int kBurst = 1500;
    constexpr int kClipSeconds = 4;
    constexpr auto kStoreDelay = 5s;
    const long userId = LoginDevice();
    ASSERT_GE(userId, 0);
    ClipTiming timing;
    timing.storeDelay = kStoreDelay;
    manager->SetClipTiming(timing);

    const QDateTime alarm = QDateTime::currentDateTime().addSecs(-2);
    const QDateTime start = alarm.addSecs(-kClipSeconds / 2);
    // Ten in a row, so one lucky or unlucky download does not set the bound.
    qint64 anchorMs = 0;
    for (int i = 0; i < 10; ++i) {
        const qint64 took = OneDownloadMs(userId, alarm.addSecs(-120 - i), kClipSeconds,
                                          ClipFolder() + QStringLiteral("anchor_%1.mp4").arg(i));
        ASSERT_GT(took, -1);
        anchorMs += took;
    }
    const double oneClipMs = anchorMs / 10.0;

    QStringList files;
    for (int i = 0; i < kBurst; ++i)
        files << ClipFolder() + QStringLiteral("burst_%1.mp4").arg(i);
    QElapsedTimer timer;
    timer.start();
    for (const QString& file : files)
        manager->DownloadClip(ClipRequest{file, DeviceIp(), DeviceSpec().port, 1, start, start.addSecs(kClipSeconds)});
    // Every clip downloaded one after the other once the store delay is over.
    const qint64 boundMs =
        std::chrono::milliseconds(kStoreDelay).count() + static_cast<qint64>(kBurst * std::max(oneClipMs, 1.0));
    ASSERT_TRUE(manager->WaitForClipJobs(static_cast<int>(boundMs) + 60000));
    const qint64 tookMs = timer.elapsed();
    std::printf("burst of %d clips: %lld ms; one clip alone %.1f ms; bound %lld ms\n", kBurst,
                static_cast<long long>(tookMs), oneClipMs, static_cast<long long>(boundMs));
    EXPECT_EQ(ClipsOnDisk(files), kBurst);
    EXPECT_LE(tookMs, boundMs);
}

} // namespace
