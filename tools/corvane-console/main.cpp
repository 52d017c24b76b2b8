// corvane-console: the client core without its windows. It starts as the
// client does (logging, crash dumps, device SDK, settings, database), logs into
// every device stored in Corvane.db, opens the alarm listener and prints each
// alarm and device event as a line until it is interrupted.
//
//   corvane-console [--port 5650] [--seconds N] [--listen-address IP]
//
// Texts from devices and the database are printed with control characters
// escaped, so no name or plate can forge a line or drive the terminal.
#include "AlarmPrinter.h"

#include "core/ApplicationDir.h"
#include "core/CrashDumpHandler.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/Logging.h"
#include "core/SharedRecords.h"
#include "device/DeviceManager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>

#include <climits>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    (void)!write(g_signalPipe[1], &byte, 1);
}

void QuitOnSignals(QCoreApplication& app)
{
    if (pipe(g_signalPipe) != 0)
        return;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
}

void ConnectPrinter(DeviceManager* devices, AlarmPrinter* printer)
{
    // The pointers live only during the call: print on the SDK's thread.
    DeviceManager::ConnectAlarms(
        devices,
        [printer](const TSR_ALARMER* alarmer, const TSR_AID_ALARM* alarm) { printer->Incident(alarmer, alarm); },
        [printer](const TSR_ALARMER* alarmer, const TSR_TPS_ALARM* alarm) {
            printer->TrafficParameters(alarmer, alarm);
        },
        [printer](const TSR_ALARMER* alarmer, const TSR_TFS_ALARM* alarm) { printer->Violation(alarmer, alarm); });
    QObject::connect(
        devices, &DeviceManager::DeviceStateSig, devices,
        [printer](long userId, bool online) { printer->DeviceState(userId, online); }, Qt::DirectConnection);
}

// The option's value when it is a whole number from `low` to `high`; else
// says so on standard error and gives nothing.
std::optional<int> NumberOption(const QCommandLineParser& parser, const QCommandLineOption& option, int low, int high)
{
    const QString text = parser.value(option);
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (ok && value >= low && value <= high)
        return static_cast<int>(value);
    std::fprintf(stderr, "corvane-console: --%s must be a whole number from %d to %d, not \"%s\"\n",
                 qUtf8Printable(option.names().first()), low, high, qUtf8Printable(text));
    return std::nullopt;
}

int LogIntoStoredDevices(DeviceManager* devices, DatabaseOperation* database, AlarmPrinter& printer)
{
    QList<stu_DeviceInfo> stored;
    database->GetAllDeviceInfo(stored);
    int loggedIn = 0;
    for (const stu_DeviceInfo& device : stored) {
        long userId = -1;
        if (!devices->DeviceLogin(device.deviceIp, device.devicePort, device.userName, device.password, &userId)) {
            printer.Line(QString("device %1:%2 login failed").arg(device.deviceIp).arg(device.devicePort));
            continue;
        }
        QList<stu_DeviceChannelInfo> channels;
        devices->GetDeviceChannelInfo(&userId, device.deviceIp, &channels);
        printer.Line(QString("device %1 \"%2\" logged in, %3 channels")
                         .arg(device.deviceIp, device.deviceName)
                         .arg(channels.size()));
        ++loggedIn;
    }
    return loggedIn;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The Corvane client core without windows: prints the alarms of the stored devices.");
    parser.addHelpOption();
    const QCommandLineOption portOption("port", "Alarm listener port.", "port", "5650");
    const QCommandLineOption secondsOption("seconds", "Stop after this many seconds.", "seconds");
    const QCommandLineOption addressOption("listen-address",
                                           "Local IPv4 address of the alarm listener (default: every address).", "ip");
    parser.addOptions({portOption, secondsOption, addressOption});
    parser.process(app);
    const std::optional<int> port = NumberOption(parser, portOption, 1, 65535);
    // The timer counts milliseconds in an int.
    const std::optional<int> seconds =
        parser.isSet(secondsOption) ? NumberOption(parser, secondsOption, 1, INT_MAX / 1000) : std::optional<int>(0);
    if (!port || !seconds)
        return 2;

    AlarmPrinter printer;
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    InitLogging(L"CorvaneLogs");
    const QString dumpFolder = QDir::cleanPath(ApplicationDirPath() + "/ExceptionDump");
    if (!QDir().mkpath(dumpFolder)) {
        printer.Line(QString("cannot create the crash dump folder %1: crashes leave no dump").arg(dumpFolder));
        LoggerFor("main")->error("{}, 无法创建崩溃转储目录{}", "main", dumpFolder);
    }
    auto crashHandler = std::make_unique<CrashDumpHandler>(dumpFolder.toLocal8Bit().toStdString(), nullptr, nullptr,
                                                           nullptr, CrashDumpHandler::HandlerFatalSignals);
    RegisterSharedRecordTypes();
    TSR_Init();
    if (!ImplementInstance::CreateInstance()) {
        LoggerFor("main")->error("{}, back end not created", "main");
        return 1;
    }
    ImplementInstance* backEnd = ImplementInstance::GetInstance();
    backEnd->InitImplementInstance();
    backEnd->GetDatabase()->ConnectDatabase(ApplicationDirPath() + "/Corvane.db");

    DeviceManager* devices = DeviceManager::GetInstance();
    devices->SetCallBack();
    ConnectPrinter(devices, &printer);
    LogIntoStoredDevices(devices, backEnd->GetDatabase(), printer);

    long listenHandle = -1;
    if (!devices->StartListen(&listenHandle, static_cast<quint16>(*port), parser.value(addressOption))) {
        printer.Line(QString("cannot listen for alarms on port %1").arg(*port));
        return 1;
    }
    printer.Line(QString("listening for alarms on port %1; Ctrl-C ends").arg(*port));

    QuitOnSignals(app);
    if (*seconds > 0)
        QTimer::singleShot(*seconds * 1000, &app, &QCoreApplication::quit);
    const int result = app.exec();

    DeviceManager::DestroyInstance();
    TSR_Cleanup();
    ShutdownLogging();
    ImplementInstance::DestroyInstance();
    return result;
}
