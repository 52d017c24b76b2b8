// corvane-devsim: simulated detection devices on loopback addresses, for tests,
// demos and users without hardware.

#include "ControlCommands.h"
#include "ControlServer.h"
#include "Simulator.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <iostream>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2];

void onSignal(int)
{
    char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
}

// Adds the devices to the client's database, so the client logs into them at
// start. Only an existing database with the device table is touched.
void registerWithClient(const QString& path, const std::vector<devsim::DeviceSpec>& devices)
{
    if (path.isEmpty() || !QFile::exists(path))
        return;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "devsim-client");
        db.setDatabaseName(path);
        if (db.open() && db.tables().contains("DeviceInfo")) {
            for (const auto& d : devices) {
                QSqlQuery exists(db);
                exists.prepare("select count(*) from DeviceInfo where deviceIp = ? and devicePort = ?");
                exists.addBindValue(QString::fromStdString(d.address));
                exists.addBindValue(d.port);
                if (exists.exec() && exists.next() && exists.value(0).toInt() > 0)
                    continue;
                QSqlQuery insert(db);
                insert.prepare("insert into DeviceInfo(deviceName, deviceIp, devicePort, userName, password) "
                               "values (?, ?, ?, ?, ?)");
                insert.addBindValue(QString::fromStdString(d.name));
                insert.addBindValue(QString::fromStdString(d.address));
                insert.addBindValue(d.port);
                insert.addBindValue(QString::fromStdString(d.user));
                insert.addBindValue(QString::fromStdString(d.password));
                insert.exec();
            }
            std::printf("devices registered in %s\n", qPrintable(path));
        }
    }
    QSqlDatabase::removeDatabase("devsim-client");
}

} // namespace

int main(int argc, char* argv[])
{
    // The build makes the clip this way; no GUI is needed for it.
    if (argc == 3 && std::strcmp(argv[1], "--make-clip") == 0) {
        QCoreApplication app(argc, argv);
        std::string error;
        if (devsim::VideoClip::make(argv[2], 10, error))
            return 0;
        std::cerr << "corvane-devsim: " << error << "\n";
        return 1;
    }
    // Pictures are drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvane-devsim");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated roadside detection devices for Corvane. Every device and every camera of\n"
        "its IP-channel configuration listens on a loopback address of its own (device i at\n"
        "127.0.<subnet+i>.1, its cameras at .2, .3, ...) and serves logins, the channel\n"
        "configuration, live H.264 video and downloads by time; devices push incident,\n"
        "traffic-parameter and violation alarms to the alarm listener. With --rtsp-port every\n"
        "camera also serves its live picture over RTSP at rtsp://<camera>:<port>/live.\n\n" +
        QString::fromUtf8(devsim::kControlHelp));
    parser.addHelpOption();
    QCommandLineOption demo("demo", "A few devices with alarms for the client on this machine: "
                                    "3 devices, 2 cameras each, control port 5651.");
    QCommandLineOption devices("devices", "Number of devices.", "n", "3");
    QCommandLineOption cameras("cameras", "Cameras (IP channels) per device.", "n", "2");
    QCommandLineOption port("port", "Port of every device and camera.", "port", "8000");
    QCommandLineOption subnet("first-subnet", "Third byte of the first device's address.", "n", "10");
    QCommandLineOption user("user", "Login user of devices and cameras.", "name", "admin");
    QCommandLineOption devicePassword("device-password", "Login password of devices.", "text", "dev12345");
    QCommandLineOption cameraPassword("camera-password", "Login password of cameras.", "text", "cam12345");
    QCommandLineOption alarmHost("alarm-host", "Address of the alarm listener.", "ip", "127.0.0.1");
    QCommandLineOption alarmPort("alarm-port", "Port of the alarm listener; 0 sends no alarms.", "port", "5650");
    QCommandLineOption alarmRate("alarm-rate", "Timed alarms per second and device (0: on demand only).", "rate",
                                 "0.2");
    QCommandLineOption clip("clip", "MPEG-TS clip to serve; made with ffmpeg when missing.", "file");
    QCommandLineOption clipSize("clip-size",
                                "Picture size of the clip, as made when missing and as "
                                "announced to players.",
                                "WxH", "640x360");
    QCommandLineOption control("control-port", "Port of the control interface on 127.0.0.1; 0 for none.", "port", "0");
    QCommandLineOption rtspPort("rtsp-port",
                                "Serve every camera over RTSP on this port of its address, "
                                "Digest login as the camera's (0: no RTSP; --demo: 8554).",
                                "port", "0");
    QCommandLineOption makeClip("make-clip",
                                "Only make the video clip at this path and exit "
                                "(given alone).",
                                "file");
    QCommandLineOption clientDb(
        "client-db", "Add the devices to this Corvane.db (with --demo: the one next to this program).", "file");
    parser.addOptions({demo, devices, cameras, port, subnet, user, devicePassword, cameraPassword, alarmHost, alarmPort,
                       alarmRate, clip, clipSize, control, clientDb, rtspPort, makeClip});
    parser.process(app);
    if (parser.isSet(makeClip)) {
        std::cerr << "corvane-devsim: --make-clip is given alone\n";
        return 2;
    }

    bool ok = true;
    auto number = [&](const QCommandLineOption& option, int lo, int hi) {
        bool good = false;
        int value = parser.value(option).toInt(&good);
        if (!good || value < lo || value > hi) {
            std::cerr << "--" << qPrintable(option.names().first()) << " must be between " << lo << " and " << hi
                      << "\n";
            ok = false;
        }
        return value;
    };
    devsim::Layout layout;
    layout.devices = number(devices, 1, 200);
    layout.camerasPerDevice = number(cameras, 0, TSR_MAX_IP_DEVICES);
    layout.port = static_cast<uint16_t>(number(port, 1, 65535));
    layout.firstSubnet = number(subnet, 1, 254);
    layout.alarmPort = static_cast<uint16_t>(number(alarmPort, 0, 65535));
    int controlPort = number(control, 0, 65535);
    int rtsp = number(rtspPort, 0, 65535);
    layout.user = parser.value(user).toStdString();
    layout.devicePassword = parser.value(devicePassword).toStdString();
    layout.cameraPassword = parser.value(cameraPassword).toStdString();
    layout.alarmHost = parser.value(alarmHost).toStdString();
    bool rateOk = false;
    layout.alarmsPerSecond = parser.value(alarmRate).toDouble(&rateOk);
    if (!rateOk || layout.alarmsPerSecond < 0) {
        std::cerr << "--alarm-rate must be a number of at least 0\n";
        ok = false;
    }
    if (!ok || layout.firstSubnet + layout.devices > 255) {
        std::cerr << "invalid options; see --help\n";
        return 2;
    }
    QString database = parser.value(clientDb);
    if (parser.isSet(demo)) {
        if (controlPort == 0)
            controlPort = 5651;
        if (!parser.isSet(rtspPort))
            rtsp = 8554;
        if (database.isEmpty())
            database = QCoreApplication::applicationDirPath() + "/Corvane.db";
    }

    std::vector<devsim::DeviceSpec> specs = devsim::Simulator::devicesFor(layout);
    devsim::Simulator simulator;
    const QStringList size = parser.value(clipSize).split('x');
    const int clipWidth = size.size() == 2 ? size[0].toInt() : 0;
    const int clipHeight = size.size() == 2 ? size[1].toInt() : 0;
    // Even sizes only: the encoder's pictures are 4:2:0.
    if (clipWidth < 16 || clipWidth > 4096 || clipHeight < 16 || clipHeight > 4096 || clipWidth % 2 || clipHeight % 2) {
        std::cerr << "--clip-size must be WIDTHxHEIGHT, even numbers from 16 to 4096\n";
        return 2;
    }
    simulator.setClipSize(static_cast<uint16_t>(clipWidth), static_cast<uint16_t>(clipHeight));
    std::string error;
    std::string clipPath = parser.isSet(clip) ? parser.value(clip).toStdString() : devsim::Simulator::defaultClipPath();
    if (!simulator.start(specs, clipPath, error)) {
        std::cerr << "corvane-devsim: " << error << "\n";
        return 1;
    }
    if (rtsp && !simulator.serveRtsp(static_cast<uint16_t>(rtsp), error)) {
        std::cerr << "corvane-devsim: " << error << "\n";
        return 1;
    }
    devsim::ControlServer controlServer(simulator);
    if (controlPort && !controlServer.start("127.0.0.1", static_cast<uint16_t>(controlPort), error)) {
        std::cerr << "corvane-devsim: control port " << controlPort << ": " << error << "\n";
        return 1;
    }
    registerWithClient(database, specs);

    for (const auto& d : specs) {
        std::printf("device %s:%u user %s password %s, %zu cameras\n", d.address.c_str(), d.port, d.user.c_str(),
                    d.password.c_str(), d.cameras.size());
        for (const auto& camera : d.cameras) {
            const std::string url = simulator.rtsp().urlOf(camera.address);
            if (!url.empty())
                std::printf("  camera %s RTSP %s user %s password %s\n", camera.address.c_str(), url.c_str(),
                            camera.user.c_str(), camera.password.c_str());
        }
    }
    if (layout.alarmPort)
        std::printf("alarms go to %s:%u\n", layout.alarmHost.c_str(), layout.alarmPort);
    if (controlPort)
        std::printf("control port 127.0.0.1:%d (send help)\n", controlPort);
    std::fflush(stdout);

    if (pipe(g_signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    }
    int result = app.exec();
    controlServer.stop();
    simulator.stop();
    return result;
}
