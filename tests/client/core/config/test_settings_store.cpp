// config.ini through SettingsStore and the back-end singleton, in temporary
// application folders.
#include "data/ImplementInstance.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <spdlog/sinks/ringbuffer_sink.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

const QStringList kDefaultKeys{
    "Incident/Accident",      "Incident/ChangeLane",
    "Incident/CheckeAll",     "Incident/Congestion",
    "Incident/Construction",  "Incident/Fire",
    "Incident/IllegallyPark", "Incident/LinePressing",
    "Incident/LowSpeed",      "Incident/ObjectsDroppedDown",
    "Incident/Pedestrian",    "Incident/QueueJumping",
    "Incident/RoadBlock",     "Incident/Smog",
    "Incident/TurnRound",     "Incident/VehicleViolation",
    "Incident/Visibility",    "Incident/WrongWayDriving",
    "Param/AutoStart",        "Param/IllegalRecord",
    "Param/SaveDataPath",     "Param/SpeakText",
    "Param/StreamType",       "Param/VideoTime",
    "Rtsp/LocalPortCount",    "Rtsp/LocalPortStart",
    "Rtsp/Transport",
};

QStringList KeysInFile(const QString& path)
{
    QSettings file(path, QSettings::IniFormat);
    QStringList keys = file.allKeys();
    keys.sort();
    return keys;
}

// The back end configured in a temporary application folder.
class BackEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.path()));
    }
    void TearDown() override
    {
        ImplementInstance::DestroyInstance();
        qunsetenv("CORVANE_APP_DIR");
    }

    SettingsStore* Start()
    {
        EXPECT_TRUE(ImplementInstance::CreateInstance());
        ImplementInstance::GetInstance()->InitImplementInstance();
        return ImplementInstance::GetInstance()->GetConfig();
    }

    QString ConfigPath() const { return folder.filePath(QStringLiteral("config.ini")); }

    QTemporaryDir folder;
};

TEST_F(BackEnd, WithoutConfigFileTheDefaultsAreWrittenAndCutVideoIsNot)
{
    SettingsStore* config = Start();
    EXPECT_EQ(KeysInFile(ConfigPath()), kDefaultKeys);
    QSettings file(ConfigPath(), QSettings::IniFormat);
    EXPECT_EQ(file.value("Param/VideoTime").toInt(), 30);
    EXPECT_EQ(file.value("Param/SpeakText").toInt(), 1);
    EXPECT_EQ(file.value("Param/AutoStart").toInt(), 0);
    EXPECT_EQ(file.value("Param/SaveDataPath").toString(), folder.path() + QStringLiteral("/data"));
    EXPECT_EQ(file.value("Incident/LowSpeed").toInt(), 1);
    // RTSP: unprivileged local ports, RTP interleaved in the RTSP connection.
    EXPECT_EQ(file.value("Rtsp/LocalPortStart").toInt(), 30000);
    EXPECT_EQ(file.value("Rtsp/LocalPortCount").toInt(), 100);
    EXPECT_EQ(file.value("Rtsp/Transport").toInt(), 1);
    EXPECT_FALSE(config->GetValue("Param/CutVideo", true).isValid());
    EXPECT_EQ(config->GetValue("Param/CutVideo", true).toInt(), 0) << "an absent clip switch reads as on";
}

TEST_F(BackEnd, StoredKeysKeepTheirValuesAndOnlyAbsentOnesAreAdded)
{
    {
        QFile file(ConfigPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Param]\nVideoTime=45\nSpeakText=abc\nCutVideo=1\n[Incident]\nFire=0\n");
    }
    SettingsStore* config = Start();
    EXPECT_EQ(config->GetValue("Param/VideoTime", true).toInt(), 45);
    EXPECT_EQ(config->GetValue("Param/SpeakText", true).toString(), QStringLiteral("abc"));
    EXPECT_EQ(config->GetValue("Incident/Fire", true).toInt(), 0);
    EXPECT_EQ(config->GetValue("Param/CutVideo", true).toInt(), 1);
    QStringList expected = kDefaultKeys;
    expected << QStringLiteral("Param/CutVideo");
    expected.sort();
    EXPECT_EQ(KeysInFile(ConfigPath()), expected);
}

TEST_F(BackEnd, IsCreatedOnceAndGoneAfterDestruction)
{
    EXPECT_EQ(ImplementInstance::GetInstance(), nullptr);
    ASSERT_TRUE(ImplementInstance::CreateInstance());
    ImplementInstance* first = ImplementInstance::GetInstance();
    ASSERT_TRUE(ImplementInstance::CreateInstance());
    EXPECT_EQ(ImplementInstance::GetInstance(), first);
    EXPECT_NE(first->GetConfig(), nullptr);
    EXPECT_NE(first->GetDatabase(), nullptr);
    ImplementInstance::DestroyInstance();
    EXPECT_EQ(ImplementInstance::GetInstance(), nullptr);
}

TEST_F(BackEnd, AnUnwritableConfigFileIsReported)
{
    // The application "folder" is a plain file, so config.ini cannot be made.
    const QString notAFolder = folder.filePath(QStringLiteral("plain-file"));
    {
        QFile file(notAFolder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    qputenv("CORVANE_APP_DIR", QFile::encodeName(notAFolder));
    auto sink = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(16);
    sink->set_pattern("%v");
    LoggerFor("ImplementInstance")->sinks().push_back(sink);
    SettingsStore* config = Start();
    LoggerFor("ImplementInstance")->sinks().pop_back();

    const std::vector<std::string> lines = sink->last_formatted();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("ImplementInstance::InitImplementInstance, Write config.ini Error!", 0) == 0;
    }));
    EXPECT_TRUE(config->SetValue("Param/VideoTime", 60)) << "the value is held in memory";
    EXPECT_EQ(config->GetValue("Param/VideoTime", true).toInt(), 60);
    EXPECT_FALSE(config->Sync()) << "but it did not reach the file";
}

QByteArray RandomBytes(int size)
{
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A file the settings reader cannot take is kept under a dated name, byte for
// byte, with a log line, and the client starts from the defaults.
TEST_F(BackEnd, AnUnreadableConfigFileIsKeptAsideAndTheDefaultsWritten)
{
    const struct
    {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"random bytes", RandomBytes(4096)},
        {"NULs inside text", QByteArray("[Param]\nVideoTime=45\n\0\0\0\nSpeakText=0\n", 37)},
        {"not UTF-8", QByteArray("[Param]\nSaveDataPath=D:/\xb1\xa8\xbe\xaf\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(ConfigPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();

        auto sink = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(16);
        sink->set_pattern("%v");
        LoggerFor("ImplementInstance")->sinks().push_back(sink);
        SettingsStore* config = Start();
        LoggerFor("ImplementInstance")->sinks().pop_back();

        EXPECT_EQ(config->GetValue("Param/VideoTime", true).toInt(), 30);
        EXPECT_EQ(KeysInFile(ConfigPath()), kDefaultKeys);
        const QStringList aside =
            QDir(folder.path()).entryList({QStringLiteral("config.ini.unreadable_*")}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^config\\.ini\\.unreadable_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d$"))
                .match(aside.first())
                .hasMatch())
            << aside.first().toStdString();
        QFile kept(folder.filePath(aside.first()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.content);
        const std::vector<std::string> lines = sink->last_formatted();
        const std::string expected = "ImplementInstance::InitImplementInstance, config.ini 无法读取，已改名保存为 " +
                                     folder.filePath(aside.first()).toStdString();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.rfind(expected, 0) == 0; }));

        ImplementInstance::DestroyInstance();
        ASSERT_TRUE(QFile::remove(folder.filePath(aside.first())));
    }
}

TEST_F(BackEnd, ChineseTextInTheConfigFileIsRead)
{
    {
        QFile file(ConfigPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Param]\nSaveDataPath=/srv/报警数据\n").toUtf8());
    }
    SettingsStore* config = Start();
    EXPECT_EQ(config->GetValue("Param/SaveDataPath", true).toString(), QStringLiteral("/srv/报警数据"));
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("config.ini.*")}, QDir::Files), QStringList());
}

class Store : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString ConfigPath() const { return folder.filePath(QStringLiteral("config.ini")); }

    QTemporaryDir folder;
    SettingsStore store;
};

TEST_F(Store, BeforeOpenEveryOperationFails)
{
    store.SetDefault("Param/VideoTime", 30);
    EXPECT_EQ(store.GetValue("Param/VideoTime", true), QVariant(-1));
    EXPECT_EQ(store.GetValue("Param/VideoTime", false), QVariant(-1));
    EXPECT_FALSE(store.SetValue("Param/VideoTime", 45));
    EXPECT_FALSE(store.WriteMissingDefaults());
    EXPECT_FALSE(store.Sync());
}

TEST_F(Store, DefaultsAnswerOnlyWhenAskedFor)
{
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    store.SetDefault("Param/VideoTime", 20);
    store.SetDefault("Param/VideoTime", 30);
    EXPECT_EQ(store.GetValue("Param/VideoTime", true).toInt(), 30) << "the last registration holds";
    EXPECT_FALSE(store.GetValue("Param/VideoTime", false).isValid());
    EXPECT_FALSE(store.GetValue("Param/Unregistered", true).isValid());
}

TEST_F(Store, OpeningAgainForgetsTheDefaults)
{
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    store.SetDefault("Param/VideoTime", 30);
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    EXPECT_FALSE(store.GetValue("Param/VideoTime", true).isValid());
    store.Close();
    EXPECT_EQ(store.GetValue("Param/VideoTime", true), QVariant(-1));
}

TEST_F(Store, SavedTextsAreUtf8InTheFile)
{
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    ASSERT_TRUE(store.SetValue("Param/SaveDataPath", QStringLiteral("/数据/告警")));
    ASSERT_TRUE(store.Sync());
    QFile file(ConfigPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QStringLiteral("/数据/告警").toUtf8()));
    SettingsStore reopened;
    ASSERT_TRUE(reopened.Open(ConfigPath(), QSettings::IniFormat));
    EXPECT_EQ(reopened.GetValue("Param/SaveDataPath", false).toString(), QStringLiteral("/数据/告警"));
}

// Replaces config.ini by a folder: no writer, root included, can write the file.
void RefuseWrites(const QString& path)
{
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
}

void AllowWrites(const QString& path, const QByteArray& content)
{
    ASSERT_TRUE(QDir().rmdir(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST_F(Store, ARefusedSyncTakesBackEveryPendingValue)
{
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    store.SetDefault("Param/VideoTime", 30);
    ASSERT_TRUE(store.SetValue("Param/VideoTime", 20));
    ASSERT_TRUE(store.Sync());
    RefuseWrites(ConfigPath());

    ASSERT_TRUE(store.SetValue("Param/VideoTime", 45));
    ASSERT_TRUE(store.SetValue("Param/CutVideo", 1));
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(store.GetValue("Param/VideoTime", true).toInt(), 20) << "the value the file held";
    EXPECT_FALSE(store.GetValue("Param/CutVideo", false).isValid()) << "a key the file lacked is not left pending";
}

TEST_F(Store, ASaveAfterARefusedOneReachesTheFileWithoutTheRefusedValues)
{
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    ASSERT_TRUE(store.SetValue("Param/VideoTime", 20));
    ASSERT_TRUE(store.Sync());
    QFile written(ConfigPath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray before = written.readAll();
    written.close();
    RefuseWrites(ConfigPath());
    ASSERT_TRUE(store.SetValue("Param/CutVideo", 1));
    ASSERT_TRUE(store.SetValue("Param/VideoTime", 45));
    ASSERT_FALSE(store.Sync());
    AllowWrites(ConfigPath(), before);

    for (int save = 0; save < 2; ++save) {
        ASSERT_TRUE(store.SetValue("Param/SpeakText", save));
        EXPECT_TRUE(store.Sync()) << "save " << save << " after the refused one";
        const QSettings file(ConfigPath(), QSettings::IniFormat);
        EXPECT_EQ(file.value("Param/SpeakText").toInt(), save);
        EXPECT_EQ(file.value("Param/VideoTime").toInt(), 20);
        EXPECT_FALSE(file.contains("Param/CutVideo"));
        // Memory and file agree.
        for (const QString& key : file.allKeys())
            EXPECT_EQ(store.GetValue(key, false), file.value(key)) << key.toStdString();
        EXPECT_FALSE(store.GetValue("Param/CutVideo", false).isValid());
    }
}

TEST_F(Store, ThreadsReadAndWriteAtOnce)
{
    ASSERT_TRUE(store.Open(ConfigPath(), QSettings::IniFormat));
    store.SetDefault("Param/VideoTime", 30);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 200; ++i) {
                store.SetValue(QStringLiteral("Incident/Thread%1").arg(t), i);
                store.GetValue("Param/VideoTime", true);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(store.GetValue(QStringLiteral("Incident/Thread%1").arg(t), false).toInt(), 199);
    EXPECT_TRUE(store.Sync());
}

} // namespace
