#pragma once
// A device simulator on a private loopback subnet and free ports, the device
// SDK, the back end (config.ini and Corvane.db) in a temporary application
// folder, and the DeviceManager under test.

#include "DatabaseTestSupport.h"
#include "QtPrinters.h"
#include "Simulator.h"
#include "TestSupport.h"

#include "data/ImplementInstance.h"
#include "device/DeviceManager.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

class DeviceLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(appDir.isValid());
        qputenv("CORVANE_APP_DIR", QFile::encodeName(appDir.path()));
        ASSERT_TRUE(ImplementInstance::CreateInstance());
        ImplementInstance::GetInstance()->InitImplementInstance();
        ASSERT_TRUE(ImplementInstance::GetInstance()->GetDatabase()->ConnectDatabase(
            appDir.filePath(QStringLiteral("Corvane.db"))));

        ASSERT_TRUE(TSR_Init());
        ASSERT_TRUE(TSR_SetNetworkTimes(1000, replyMs, 300));
        listenPort = testsupport::reservePort();
        devsim::Layout layout;
        layout.devices = 1;
        layout.camerasPerDevice = cameras;
        layout.port = testsupport::reservePort();
        layout.alarmPort = listenPort;
        layout.alarmsPerSecond = 0;
        layout.firstSubnet = testsupport::privateSubnet();
        std::vector<devsim::DeviceSpec> specs = devsim::Simulator::devicesFor(layout);
        Customize(specs);
        std::string error;
        ASSERT_TRUE(simulator.start(specs, devsim::Simulator::defaultClipPath(), error)) << error;

        manager = DeviceManager::GetInstance();
        manager->SetClock([this] { return QDateTime::currentDateTime().addMSecs(clockOffsetMs.load()); });
    }

    void TearDown() override
    {
        DeviceManager::DestroyInstance();
        TSR_Cleanup();
        simulator.stop();
        ImplementInstance::GetInstance()->GetDatabase()->CloseDatabase();
        ImplementInstance::DestroyInstance();
    }

    virtual void Customize(std::vector<devsim::DeviceSpec>&) { }

    devsim::SimDevice& Device() { return *simulator.devices().at(0); }
    const devsim::DeviceSpec& DeviceSpec() { return Device().spec(); }
    const devsim::CameraSpec& CameraSpec(size_t i) { return DeviceSpec().cameras.at(i); }
    devsim::SimDevice& Camera(size_t i) { return *simulator.find(CameraSpec(i).address); }
    QString DeviceIp() { return QString::fromStdString(DeviceSpec().address); }
    QString CameraIp(size_t i) { return QString::fromStdString(CameraSpec(i).address); }
    QString DataPath() const { return appDir.filePath(QStringLiteral("data")); }
    QDateTime Now() const { return QDateTime::currentDateTime().addMSecs(clockOffsetMs.load()); }

    long LoginDevice()
    {
        const devsim::DeviceSpec& d = DeviceSpec();
        long id = -1;
        EXPECT_TRUE(manager->DeviceLogin(QString::fromStdString(d.address), d.port, QString::fromStdString(d.user),
                                         QString::fromStdString(d.password), &id));
        return id;
    }
    stu_LoginInfo LoginCamera(size_t i)
    {
        const devsim::CameraSpec& c = CameraSpec(i);
        stu_LoginInfo login{QString::fromStdString(c.address), c.port, QString::fromStdString(c.user), -1};
        EXPECT_TRUE(manager->DeviceLogin(login.deviceIp, login.port, login.userName, QString::fromStdString(c.password),
                                         &login.lUserID));
        return login;
    }

    int cameras = 2;
    uint32_t replyMs = 2000;
    QTemporaryDir appDir;
    devsim::Simulator simulator;
    uint16_t listenPort = 0;
    DeviceManager* manager = nullptr;
    // The manager's clock runs this far from the wall clock.
    std::atomic<qint64> clockOffsetMs{0};
};

// What ffprobe says of a media file's first video stream: the entry `key`
// (such as "codec_name" or "nb_read_frames", counted by decoding it all).
inline QString ProbeVideo(const QString& file, const QString& key)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                   QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=") + key, QStringLiteral("-of"), QStringLiteral("default=nw=1"), file});
    if (!ffprobe.waitForFinished(30000) || ffprobe.exitCode() != 0)
        return QString();
    for (const QString& line : QString::fromUtf8(ffprobe.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1).trimmed();
    return QString();
}

// The simulator's video runs at 25 frames a second.
inline double SecondsOfVideo(const QString& file)
{
    return ProbeVideo(file, QStringLiteral("nb_read_frames")).toInt() / 25.0;
}

inline qint64 FileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// Every file below a folder, with its size.
inline QMap<QString, qint64> FilesUnder(const QString& folder)
{
    QMap<QString, qint64> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(file, FileSize(file));
    }
    return files;
}
