// bench_alarm_road: the whole alarm road under load. The simulated device, in
// a process of its own so that only the client is measured, pushes
// incidents with 150 KiB pictures at a fixed rate into a running main window;
// every incident is filtered, its picture written, its row stored and handed
// to the live list and the prompt window. Prints alarms sent, rows stored and
// pictures written (goal: none lost), the GUI thread's longest stall (the
// worst lateness of a 10 ms timer; goal at most 50 ms) next to the same
// window's idle stall as anchor, resident memory at start and end (goal:
// growth under 1.2x), the time the road needed after the last send (goal:
// within 2 s) and the stored rate against the offered rate, beside the disk's
// bound for the same pictures written and synced one file each in a folder
// of their own before the run (goal: at least half of it when the offered
// rate reaches it); then a burst queued at once, whose stored rate is the
// highest the road sustains, beside the same bound (goal: at least half of
// it). Exits 1 when an alarm was lost or none arrived, 3 when a goal was
// missed.
//   bench_alarm_road [seconds = 5; 30 for the full run] [alarms per second = 1000]

#include "../BenchExit.h"
#include "../OneDeviceLayout.h"
#include "ClientFolder.h"
#include "DeviceProcess.h"
#include "ConsoleSilencer.h"
#include "TimerLateness.h"

#include "data/ImplementInstance.h"
#include "core/SharedRecords.h"
#include "monitor/ClientStartup.h"
#include "monitor/Corvane.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

qint64 ResidentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

int StoredIncidents(const QString& databasePath)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-reader"));
        db.setDatabaseName(databasePath);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("select count(*) from incidentInfo")) && query.next())
            count = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-reader"));
    return count;
}

// Pictures a second the disk takes when each is a new file synced with its
// folder, as the road stores them.
double DiskPicturesPerSecond(const QString& folder, int pictureBytes, int count)
{
    QDir().mkpath(folder);
    const QByteArray block(pictureBytes, 'x');
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/picture_%2.jpeg").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(block) != block.size() || !file.flush() ||
            fdatasync(file.handle()) != 0)
            return -1;
        file.close();
        const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0 || ::fsync(dir) != 0) {
            if (dir >= 0)
                ::close(dir);
            return -1;
        }
        ::close(dir);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QDir(folder).removeRecursively();
    return seconds > 0 ? count / seconds : -1;
}

int PicturesBelow(const QString& folder)
{
    int count = 0;
    for (QDirIterator it(folder, {QStringLiteral("*.jpeg")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();
         it.next())
        ++count;
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], DeviceProcess::kDeviceArgument) == 0)
        return DeviceProcess::RunChild(argc, argv);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int perSecond = argc > 2 ? std::max(1, atoi(argv[2])) : 1000;

    ClientFolder folder;
    folder.PrepareApplication();
    const quint16 alarmPort = testsupport::reservePort();
    constexpr int kPictureBytes = 150 * 1024;
    const devsim::Layout layout =
        OneDeviceLayout(1, testsupport::reservePort(), alarmPort, testsupport::privateSubnet());
    DeviceProcess device;
    std::string error;
    if (!device.Start(layout, kPictureBytes, error) || !folder.StoreDevices(devsim::Simulator::devicesFor(layout))) {
        std::fprintf(stderr, "simulated device or database did not start: %s\n", error.c_str());
        return 1;
    }

    // Before the run and in a folder of its own: deleting these files right
    // before the road creates its own would slow the road's file creation.
    const double diskBound = DiskPicturesPerSecond(folder.Path() + QStringLiteral("/anchor"), kPictureBytes, 500);

    qint64 idleStall = 0, busyStall = 0, burstStall = 0, rssStart = 0, rssEnd = 0;
    size_t sent = 0;
    int stored = 0, pictures = 0, burstStored = 0, burstPictures = 0;
    double drainSeconds = 0, sendSeconds = 0, burstSeconds = 0;
    const int burst = std::max(1000, 3 * perSecond);
    {
        ConsoleSilencer quiet;
        TSR_Init();
        ImplementInstance::CreateInstance();
        ImplementInstance::GetInstance()->InitImplementInstance();
        SettingsStore* settings = ImplementInstance::GetInstance()->GetConfig();
        settings->SetValue(QStringLiteral("Param/SaveDataPath"), folder.Path() + QStringLiteral("/store"));
        settings->SetValue(QStringLiteral("Param/CutVideo"), 1);
        settings->SetValue(QStringLiteral("Param/SpeakText"), 1);
        auto window = std::make_unique<Corvane>(nullptr, alarmPort);
        window->show();
        WorstTimerLatenessMs(1000); // settle: first paints, logins
        rssStart = ResidentKiB();
        idleStall = WorstTimerLatenessMs(2000);

        // The device fires the alarms in 10 ms batches, paced in its own process.
        QElapsedTimer sending;
        sending.start();
        device.Drive(seconds, perSecond);
        busyStall = WorstTimerLatenessMs(seconds * 1000);
        while (device.Query().firing)
            busyStall = std::max(busyStall, WorstTimerLatenessMs(100));
        sendSeconds = sending.elapsed() / 1000.0;

        const QString databasePath = folder.DatabasePath();
        QElapsedTimer drain;
        drain.start();
        const size_t expected = size_t(seconds) * size_t(perSecond);
        for (size_t deviceSent = device.Query().sent;
             drain.elapsed() < 120000 && (deviceSent < expected || StoredIncidents(databasePath) < int(deviceSent));
             deviceSent = device.Query().sent)
            busyStall = std::max(busyStall, WorstTimerLatenessMs(200));
        drainSeconds = drain.elapsed() / 1000.0;
        sent = device.Query().sent;
        stored = StoredIncidents(databasePath);
        pictures = PicturesBelow(folder.Path() + QStringLiteral("/store"));
        rssEnd = ResidentKiB();

        // The road's own pace: a burst queued at once keeps every hop busy, so
        // the rate it is stored at is the highest the road sustains.
        QElapsedTimer bursting;
        bursting.start();
        device.Fire(burst);
        while (bursting.elapsed() < 120000 && StoredIncidents(databasePath) < stored + burst)
            burstStall = std::max(burstStall, WorstTimerLatenessMs(20));
        burstSeconds = bursting.elapsed() / 1000.0;
        burstStored = StoredIncidents(databasePath) - stored;
        burstPictures = PicturesBelow(folder.Path() + QStringLiteral("/store")) - pictures;
        window->close();
        window.reset();
    }
    device.Stop();

    std::printf("bench_alarm_road: %d s at %d incidents/s with 150 KiB pictures into the main window\n", seconds,
                perSecond);
    std::printf("  alarms sent        %zu (asked %d)\n", sent, seconds * perSecond);
    std::printf("  rows stored        %d   lost %lld\n", stored, static_cast<long long>(sent) - stored);
    std::printf("  pictures written   %d   lost %lld\n", pictures, static_cast<long long>(sent) - pictures);
    std::printf("  drained after      %.1f s past the last send\n", drainSeconds);
    std::printf("  GUI longest stall  %lld ms (goal <= 50); anchor idle window %lld ms; ratio %.1f\n",
                static_cast<long long>(busyStall), static_cast<long long>(idleStall),
                double(busyStall) / double(std::max<qint64>(1, idleStall)));
    std::printf("  resident memory    start %lld KiB, end %lld KiB; ratio %.2f\n", static_cast<long long>(rssStart),
                static_cast<long long>(rssEnd), double(rssEnd) / double(std::max<qint64>(1, rssStart)));
    const double offeredRate = sent / std::max(0.001, sendSeconds);
    const double storedRate = stored / std::max(0.001, sendSeconds + drainSeconds);
    std::printf("  stored rate        %.0f/s for %.0f/s offered; ratio %.2f\n", storedRate, offeredRate,
                storedRate / std::max(1.0, offeredRate));
    std::printf("  disk bound         %.0f pictures/s (synced files, same size); stored/disk %.2f\n", diskBound,
                storedRate / std::max(1.0, diskBound));
    const double highestRate = burstStored / std::max(0.001, burstSeconds);
    std::printf("  highest sustained  %.0f/s (burst of %d: %d rows, %d pictures in %.1f s, GUI longest stall %lld "
                "ms) beside the disk bound %.0f/s; ratio %.2f\n",
                highestRate, burst, burstStored, burstPictures, burstSeconds, static_cast<long long>(burstStall),
                diskBound, highestRate / std::max(1.0, diskBound));

    const bool allArrived =
        sent > 0 && stored == int(sent) && pictures == int(sent) && burstStored == burst && burstPictures == burst;
    if (!allArrived) {
        std::printf("FAILED: alarms were lost or repeated on the road\n");
        return 1;
    }
    const double rssRatio = double(rssEnd) / double(std::max<qint64>(1, rssStart));
    const bool drained = drainSeconds <= 2.0;
    const bool smooth = busyStall <= 50;
    const bool flat = rssRatio < 1.2;
    // Half the disk's bound is owed only when that much was offered.
    const bool keepsPace = storedRate >= 0.5 * std::min(offeredRate, diskBound);
    const bool fastEnough = highestRate >= 0.5 * diskBound;
    if (!drained)
        std::printf("GOAL MISSED: the backlog took %.1f s to drain (goal 2 s)\n", drainSeconds);
    if (!smooth)
        std::printf("GOAL MISSED: the GUI thread stalled %lld ms (goal 50 ms)\n", static_cast<long long>(busyStall));
    if (!flat)
        std::printf("GOAL MISSED: resident memory grew %.2fx (goal under 1.2x)\n", rssRatio);
    if (!keepsPace)
        std::printf("GOAL MISSED: stored %.0f/s, under half of %.0f/s\n", storedRate, std::min(offeredRate, diskBound));
    if (!fastEnough)
        std::printf("GOAL MISSED: the road sustains %.0f/s, under half of the disk's %.0f/s\n", highestRate, diskBound);
    return drained && smooth && flat && keepsPace && fastEnough ? 0 : kGoalMissed;
}
