// Continuous recording of cameras into five-minute files, with the manager's
// clock moved close to slot and hour boundaries.

#include "DeviceLinkFixture.h"

#include <thread>

namespace {

using namespace std::chrono_literals;

const QDate kDay(2026, 5, 1);

class ContinuousRecordingTest : public DeviceLinkTest
{
protected:
    QList<stu_LoginInfo> LoginCameras() { return {LoginCamera(0), LoginCamera(1)}; }
    // From now on the manager's clock reads `time`, and runs on from there.
    void SetClockTo(const QDateTime& time) { clockOffsetMs = QDateTime::currentDateTime().msecsTo(time); }
    bool WaitForClock(const QDateTime& time)
    {
        return testsupport::WaitUntil([&] { return Now() >= time; }, 60s);
    }
    bool WaitForHandles(int count)
    {
        return testsupport::WaitUntil([&] { return manager->RecordingHandles().size() == count; });
    }
    QString FileOf(const QString& ip, const QTime& time)
    {
        return DeviceManager::RecordingFilePath(DataPath(), ip, QDateTime(kDay, time));
    }
    static void ExpectPlayable(const QString& file)
    {
        EXPECT_EQ(ProbeVideo(file, QStringLiteral("codec_name")), QStringLiteral("h264")) << file.toStdString();
        EXPECT_GT(SecondsOfVideo(file), 0.0) << file.toStdString();
    }
};

TEST_F(ContinuousRecordingTest, TwoCamerasGoOnInTheNextSlotAndHourFolder)
{
    const QList<stu_LoginInfo> logins = LoginCameras();
    SetClockTo(QDateTime(kDay, QTime(13, 59, 57, 500)));
    manager->StartRecording(logins);
    ASSERT_TRUE(WaitForHandles(2));
    ASSERT_TRUE(WaitForClock(QDateTime(kDay, QTime(14, 0, 1, 600))));
    manager->StopRecording();
    EXPECT_TRUE(manager->RecordingHandles().isEmpty());

    for (const stu_LoginInfo& camera : logins) {
        const QString before = FileOf(camera.deviceIp, QTime(13, 59, 59));
        const QString after = FileOf(camera.deviceIp, QTime(14, 0, 0));
        EXPECT_EQ(before,
                  DataPath() + "/video/" + camera.deviceIp + "/2026/202605/20260501/2026050113/5500000-5959000.mp4");
        EXPECT_EQ(after,
                  DataPath() + "/video/" + camera.deviceIp + "/2026/202605/20260501/2026050114/0000000-0459000.mp4");
        ASSERT_TRUE(QFile::exists(before)) << before.toStdString();
        ASSERT_TRUE(QFile::exists(after)) << after.toStdString();
        ExpectPlayable(before);
        ExpectPlayable(after);
    }
    EXPECT_EQ(FilesUnder(DataPath()).size(), 4);

    // Stopped means stopped: nothing grows, and the SDK has no play left.
    const QMap<QString, qint64> sizes = FilesUnder(DataPath());
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(FilesUnder(DataPath()), sizes);
}

TEST_F(ContinuousRecordingTest, StartingTwiceRecordsEachCameraOnce)
{
    LogCapture log("DeviceManage");
    const QList<stu_LoginInfo> logins = LoginCameras();
    manager->StartRecording(logins);
    manager->StartRecording(logins);
    EXPECT_TRUE(manager->ChannelPreview(logins[0].lUserID, logins[0].deviceIp));
    ASSERT_TRUE(WaitForHandles(2));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(manager->RecordingHandles().size(), 2);
    EXPECT_TRUE(log.Contains("已在录像"));

    const QVector<long> handles = manager->RecordingHandles();
    manager->StopRecording();
    for (long handle : handles)
        EXPECT_FALSE(DeviceManager::StopRealPlay(handle)) << "handle " << handle << " was left playing";
}

TEST_F(ContinuousRecordingTest, StopCancelsPendingStartsAndLeavesNoHandle)
{
    const QList<stu_LoginInfo> logins = LoginCameras();
    for (int round = 0; round < 3; ++round) {
        manager->StartRecording(logins);
        manager->StopRecording();
        EXPECT_TRUE(manager->RecordingHandles().isEmpty());
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(manager->RecordingHandles().isEmpty());
    const QMap<QString, qint64> sizes = FilesUnder(DataPath());
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(FilesUnder(DataPath()), sizes);

    // A later switch-on records again.
    manager->StartRecording(logins);
    EXPECT_TRUE(WaitForHandles(2));
}

TEST_F(ContinuousRecordingTest, StalledStreamResumesInTheSlotOfItsNewBlocks)
{
    const stu_LoginInfo camera = LoginCamera(0);
    SetClockTo(QDateTime(kDay, QTime(10, 2, 0)));
    ASSERT_TRUE(manager->ChannelPreview(camera.lUserID, camera.deviceIp));
    const QString first = FileOf(camera.deviceIp, QTime(10, 2, 0));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return FileSize(first) > 0; }));

    Camera(0).stall(true);
    std::this_thread::sleep_for(200ms);
    clockOffsetMs += (2 * 3600 + 10 * 60) * 1000; // blocks come again at 12:12
    Camera(0).stall(false);
    const QString resumed = FileOf(camera.deviceIp, QTime(12, 12, 0));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return FileSize(resumed) > 0; }));
    manager->StopRecording();

    EXPECT_EQ(FilesUnder(DataPath()).keys(), (QStringList{first, resumed}));
}

TEST_F(ContinuousRecordingTest, AddressThatIsNoIpv4IsNotRecorded)
{
    const stu_LoginInfo camera = LoginCamera(0);
    EXPECT_FALSE(manager->ChannelPreview(camera.lUserID, QStringLiteral("../../..")));
    EXPECT_FALSE(manager->ChannelPreview(camera.lUserID, QStringLiteral("127.0.0.1/x")));
    EXPECT_TRUE(manager->RecordingHandles().isEmpty());
    EXPECT_FALSE(QDir(DataPath() + "/video").exists());
}

TEST_F(ContinuousRecordingTest, FailedStartReportsFalse)
{
    LogCapture log("DeviceManage");
    EXPECT_FALSE(manager->ChannelPreview(4242, CameraIp(0)));
    EXPECT_TRUE(log.Contains("DeviceManager::ChannelPreview, 设备4242预览失败, 错误码：" +
                             std::to_string(TSR_ERR_INVALID_HANDLE)));
    EXPECT_TRUE(manager->RecordingHandles().isEmpty());
    // The camera is free for a start that works.
    const stu_LoginInfo camera = LoginCamera(0);
    EXPECT_TRUE(manager->ChannelPreview(camera.lUserID, camera.deviceIp));
    EXPECT_EQ(manager->RecordingHandles().size(), 1);
}

struct SlotCase
{
    const char* name;
    QTime time;
    int index;
    const char* slot;
};

// Cases print as their names in test listings.
void PrintTo(const SlotCase& c, std::ostream* out)
{
    *out << c.name;
}

class TimeSlotTest : public ::testing::TestWithParam<SlotCase>
{ };

TEST_P(TimeSlotTest, HoldsTheTime)
{
    const SlotCase& c = GetParam();
    QString slot;
    int index = -1;
    DeviceManager::GetTimeSlotIndex(c.time.toString(QStringLiteral("mmsszzz")), &slot, &index);
    EXPECT_EQ(index, c.index);
    EXPECT_EQ(slot, QString::fromLatin1(c.slot));
    EXPECT_EQ(DeviceManager::TimeSlots().value(c.index), slot);
}

INSTANTIATE_TEST_SUITE_P(
    Times, TimeSlotTest,
    ::testing::Values(SlotCase{"StartOfHour", QTime(14, 0, 0), 0, "0000000-0459000"},
                      SlotCase{"LastMomentOfFirstSlot", QTime(12, 4, 59, 500), 0, "0000000-0459000"},
                      SlotCase{"StartOfSecondSlot", QTime(12, 5, 0), 1, "0500000-0959000"},
                      SlotCase{"MiddleOfTheHour", QTime(10, 32, 17, 250), 6, "3000000-3459000"},
                      SlotCase{"LastMomentOfTheHour", QTime(13, 59, 59, 999), 11, "5500000-5959000"}),
    [](const ::testing::TestParamInfo<SlotCase>& info) { return std::string(info.param.name); });

TEST(RecordingFilePathTest, NamesAddressDateHourAndSlot)
{
    const QDateTime time(QDate(2024, 5, 1), QTime(13, 45, 2));
    EXPECT_EQ(DeviceManager::RecordingFilePath(QStringLiteral("/srv/data"), QStringLiteral("192.0.2.11"), time),
              QStringLiteral("/srv/data/video/192.0.2.11/2024/202405/20240501/2024050113/4500000-4959000.mp4"));
    // A data path ending in a separator gives the same file.
    EXPECT_EQ(DeviceManager::RecordingFilePath(QStringLiteral("/srv/data/"), QStringLiteral("192.0.2.11"), time),
              QStringLiteral("/srv/data/video/192.0.2.11/2024/202405/20240501/2024050113/4500000-4959000.mp4"));
    EXPECT_EQ(DeviceManager::TimeSlots().size(), 12);
}

TEST(SaveFileTest, AppendsAndRefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("录像/a/b.mp4")));
    EXPECT_TRUE(DeviceManager::SaveFile("abc", 3, path.constData()));
    EXPECT_TRUE(DeviceManager::SaveFile("de", 2, path.constData()));
    QFile file(QString::fromUtf8(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("abcde"));

    LogCapture log("DeviceManage");
    EXPECT_FALSE(DeviceManager::SaveFile("x", 0, path.constData()));
    EXPECT_FALSE(DeviceManager::SaveFile(nullptr, 1, path.constData()));
    EXPECT_FALSE(DeviceManager::SaveFile("x", 1, nullptr));
    EXPECT_TRUE(log.Contains("SaveFile, nullptr == pBuff || 0 == nLen || nullptr == pPath"));
    // A folder where the file should be.
    EXPECT_FALSE(DeviceManager::SaveFile("x", 1, QFile::encodeName(dir.filePath(QStringLiteral("录像"))).constData()));
}

// A full disk: the bytes go into the file object's buffer first and only fail
// when it is flushed, which must not pass for a saved block.
TEST(SaveFileTest, ReportsAFullDevice)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    LogCapture log("DeviceManage");
    const QByteArray block(4096, 'v');
    for (const int size : {1, 4096}) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(DeviceManager::SaveFile(block.constData(), size, "/dev/full"));
    }
    EXPECT_TRUE(log.Contains("保存录像失败"));
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
