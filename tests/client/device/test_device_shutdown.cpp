// Shutdown while a login pass, recordings, clip downloads and alarms are under way.

#include "DeviceLinkFixture.h"

#include <QElapsedTimer>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Far below every wait a shutdown must cut short (the stalled login's answer,
// the clip pool's ten seconds, a clip's store delay), far above the time the
// stopping itself takes on a loaded machine.
constexpr qint64 kPromptMs = 5000;

class DeviceShutdownTest : public DeviceLinkTest
{
protected:
    DeviceShutdownTest()
    {
        cameras = 3;
        // A stalled login stays under way through the shutdown, and a shutdown
        // that waited for its answer would take longer than kPromptMs.
        replyMs = 8000;
    }

    void SetUp() override
    {
        DeviceLinkTest::SetUp();
        ClipTiming timing;
        timing.pollInterval = 100ms;
        manager->SetClipTiming(timing);
        auto count = [this] { ++alarms; };
        DeviceManager::ConnectAlarms(&context, count, count, count);
        QObject::connect(
            manager, &DeviceManager::DeviceStateSig, &context, [this] { ++states; }, Qt::DirectConnection);
        manager->SetCallBack();
        ASSERT_TRUE(manager->StartListen(&listenHandle, listenPort));
    }

    // Recordings of two cameras, a login to the stalled third one, a clip job
    // waiting for its recording, one downloading slowly, and alarms coming in.
    void StartEverything()
    {
        const long deviceId = LoginDevice();
        ASSERT_GE(deviceId, 0);
        manager->StartRecording({LoginCamera(0), LoginCamera(1)});
        ASSERT_TRUE(testsupport::WaitUntil([&] { return manager->RecordingHandles().size() == 2; }));

        const QString folder = DataPath() + QStringLiteral("/video/clips/");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString format = QStringLiteral("yyyyMMddHHmmss");
        Device().setDownloadRate(20000);
        manager->DownloadVideo(-15, 15, DeviceIp(), DeviceSpec().port, 1, QDateTime::currentDateTime().toString(format),
                               folder + "waiting.mp4");
        manager->DownloadVideo(-15, 15, DeviceIp(), DeviceSpec().port, 1,
                               QDateTime::currentDateTime().addSecs(-300).toString(format), folder + "slow.mp4");
        ASSERT_TRUE(testsupport::WaitUntil([&] { return FileSize(folder + "slow.mp4") > 0; }));

        Camera(2).stall(true);
        loginPass = std::thread([this] {
            long id = -1;
            manager->DeviceLogin(CameraIp(2), CameraSpec(2).port, QString::fromStdString(CameraSpec(2).user),
                                 QString::fromStdString(CameraSpec(2).password), &id);
        });
        Device().setAlarmRate(200);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return alarms > 0; }));
        std::this_thread::sleep_for(200ms); // the login is waiting for its answer
    }

    // Nothing reaches the receivers or the files once shutdown returned.
    void ExpectSilence()
    {
        const int alarmsAfter = alarms;
        const int statesAfter = states;
        const QMap<QString, qint64> files = FilesUnder(DataPath());
        Device().fireAlarms(devsim::AlarmKind::Incident, 3);
        Camera(0).drop();
        std::this_thread::sleep_for(1500ms);
        EXPECT_EQ(alarms, alarmsAfter);
        EXPECT_EQ(states, statesAfter);
        EXPECT_EQ(FilesUnder(DataPath()), files);
    }

    QObject context;
    std::atomic<int> alarms{0};
    std::atomic<int> states{0};
    long listenHandle = -1;
    std::thread loginPass;
};

// The main window's order: listener, SDK clean-up, worker threads, then the manager.
TEST_F(DeviceShutdownTest, WindowShutdownOrderReturnsPromptly)
{
    StartEverything();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(TSR_StopListen(static_cast<int32_t>(listenHandle)));
    TSR_Cleanup();
    loginPass.join();
    DeviceManager::DestroyInstance();
    EXPECT_LT(timer.elapsed(), kPromptMs);
    ExpectSilence();
}

// The manager alone, with the SDK still running: it stops what it started.
TEST_F(DeviceShutdownTest, DestroyingTheManagerStopsWhatItRuns)
{
    StartEverything();
    QElapsedTimer timer;
    timer.start();
    DeviceManager::DestroyInstance();
    EXPECT_LT(timer.elapsed(), kPromptMs);
    ExpectSilence();
    loginPass.join();
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
