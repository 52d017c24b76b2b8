// The listener-thread side of the main window's alarm slots, against a real
// Corvane.db in a temporary folder: where it runs, and what it stores while
// the GUI thread saves new clip settings under it.
#include "ClientFolder.h"
#include "DatabaseRows.h"

#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/SettingsStore.h"
#include "device/DeviceManager.h"
#include "monitor/AlarmIntake.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

const QByteArray kJpeg("\xFF\xD8\xFF\xE0 picture \xFF\xD9", 14);

template <size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

// 2024-05-01 13:45:02 in the devices' packed time.
constexpr quint32 kPackedTime = (24u << 26) | (5u << 22) | (1u << 17) | (13u << 12) | (45u << 6) | 2u;

class AlarmIntakeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.Path()));
        ASSERT_TRUE(folder.StoreDevices({}));
        ASSERT_TRUE(ImplementInstance::CreateInstance());
        ImplementInstance::GetInstance()->InitImplementInstance();
        ASSERT_TRUE(ImplementInstance::GetInstance()->GetDatabase()->ConnectDatabase(folder.DatabasePath()));
        ASSERT_TRUE(DeviceManager::GetInstance());
        SettingsStore* settings = ImplementInstance::GetInstance()->GetConfig();
        // Empty: the path of the intake's clip settings applies.
        ASSERT_TRUE(settings->SetValue(QStringLiteral("Param/SaveDataPath"), QString()));
        ASSERT_TRUE(settings->SetValue(QStringLiteral("Incident/WrongWayDriving"), 1));

        Put(alarmer.sDeviceIP, "10.1.2.3");
        alarm.dwAbsTime = kPackedTime;
        alarm.dwIncidentType = static_cast<uint32_t>(IncidentTypeFromKey("Incident/WrongWayDriving"));
        Put(alarm.struDevInfo.sIpV4, "10.1.2.4");
        alarm.struDevInfo.byChannel = 1;
        alarm.pImage = reinterpret_cast<uint8_t*>(const_cast<char*>(kJpeg.constData()));
        alarm.dwPicDataLen = static_cast<uint32_t>(kJpeg.size());
    }

    void TearDown() override
    {
        DeviceManager::DestroyInstance();
        ImplementInstance::GetInstance()->GetDatabase()->CloseDatabase();
        ImplementInstance::DestroyInstance();
    }

    // Takes one incident on a thread of its own, as the SDK's listener does.
    std::optional<AlarmIntake::Incident> TakeOnListenerThread(AlarmIntake& intake)
    {
        std::optional<AlarmIntake::Incident> taken;
        std::thread listener([&] { taken = intake.TakeIncident(alarmer, alarm); });
        listener.join();
        return taken;
    }

    ClipSettings Settings(bool cutVideo, const QString& folderName) const
    {
        ClipSettings clip;
        clip.cutVideo = cutVideo;
        clip.secondsBefore = -1;
        clip.secondsAfter = 1;
        clip.dataPath = folder.Path() + QLatin1Char('/') + folderName;
        return clip;
    }

    ClientFolder folder;
    TSR_ALARMER alarmer{};
    TSR_AID_ALARM alarm{};
};

TEST_F(AlarmIntakeTest, StoresAnIncidentTakenOnTheListenerThread)
{
    AlarmIntake intake;
    intake.SetClipSettings(Settings(true, QStringLiteral("store")));
    const std::optional<AlarmIntake::Incident> taken = TakeOnListenerThread(intake);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->incident.deviceIp, QStringLiteral("10.1.2.3"));
    EXPECT_TRUE(taken->incident.picPath.startsWith(folder.Path() + QStringLiteral("/store/data/IncidentImageDir/")));
    EXPECT_TRUE(QFile::exists(taken->incident.picPath));
    EXPECT_TRUE(taken->incident.videoPath.startsWith(folder.Path() + QStringLiteral("/store/video/20240501/")));
    EXPECT_EQ(RowCount(folder.DatabasePath(), QStringLiteral("incidentInfo")), 1);
}

TEST_F(AlarmIntakeTest, RefusesAnAlarmOnTheGuiThread)
{
    // Only a connection other than the listener's direct one brings an alarm
    // to the thread the intake lives on; it is refused and stores nothing.
    AlarmIntake intake;
    intake.SetClipSettings(Settings(false, QStringLiteral("store")));
    EXPECT_FALSE(intake.TakeIncident(alarmer, alarm));
    EXPECT_EQ(RowCount(folder.DatabasePath(), QStringLiteral("incidentInfo")), 0);
    EXPECT_TRUE(TakeOnListenerThread(intake));
    EXPECT_EQ(RowCount(folder.DatabasePath(), QStringLiteral("incidentInfo")), 1);
}

TEST_F(AlarmIntakeTest, EachAlarmSeesOneWholeSaveWhileSettingsChange)
{
    // Two saves alternate: clips into "cut", or no clips into "plain". An
    // alarm that mixed them would store a clip path under "plain" or none
    // under "cut". Run in the ThreadSanitizer build, this also shows that the
    // swap and the reads do not race.
    AlarmIntake intake;
    const ClipSettings cut = Settings(true, QStringLiteral("cut"));
    const ClipSettings plain = Settings(false, QStringLiteral("plain"));
    intake.SetClipSettings(cut);
    constexpr int kAlarms = 200;
    std::atomic<bool> done{false};
    QList<AlarmIntake::Incident> taken;
    std::thread listener([&] {
        for (int i = 0; i < kAlarms; ++i)
            if (std::optional<AlarmIntake::Incident> incident = intake.TakeIncident(alarmer, alarm))
                taken.append(*incident);
        done = true;
    });
    int saves = 0;
    while (!done) {
        intake.SetClipSettings(saves % 2 ? cut : plain);
        ++saves;
        std::this_thread::yield();
    }
    listener.join();

    ASSERT_EQ(taken.size(), kAlarms);
    EXPECT_EQ(RowCount(folder.DatabasePath(), QStringLiteral("incidentInfo")), kAlarms);
    for (const AlarmIntake::Incident& incident : qAsConst(taken)) {
        const bool underCut = incident.incident.picPath.startsWith(cut.dataPath + QLatin1Char('/'));
        const bool underPlain = incident.incident.picPath.startsWith(plain.dataPath + QLatin1Char('/'));
        ASSERT_TRUE(underCut || underPlain) << incident.incident.picPath.toStdString();
        EXPECT_EQ(!incident.incident.videoPath.isEmpty(), underCut) << incident.incident.picPath.toStdString();
        if (underCut) {
            EXPECT_TRUE(incident.incident.videoPath.startsWith(cut.dataPath + QStringLiteral("/video/")));
        }
    }
    EXPECT_GT(saves, 1);
}

} // namespace
