// Alarm throughput of the device link. The simulator pushes incidents with
// pictures of a chosen size; a receiver does on the SDK's listener thread what
// the incident handler does there (hold the alarm for the SDK's round, which
// writes and syncs the pictures and inserts the rows with their origins). Prints incidents per second, the latency from
// the moment the simulator queued an alarm to its stored row (p50, p99), the disk's write rate for the same bytes
// measured in a folder of its own before the alarms, and what a client killed with SIGKILL ten times mid-flood stored
// in the end (sent, stored, repeated, missing, extra). Fails on any row missing, repeated or extra, and on a kill that
// did not land mid-flood; misses its goal (exit 3) when the burst stores fewer than half the pictures a second that the
// disk takes as new synced files.

#include "../BenchExit.h"
#include "../OneDeviceLayout.h"
#include "ConsoleSilencer.h"
#include "Simulator.h"
#include "TestSupport.h"

#include "core/DeviceTime.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/Logging.h"
#include "device/DeviceManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Stands in for the main window's incident handler: the picture goes under the
// data path as the handler names it (with a sequence number, so alarms of one
// second do not overwrite each other), and the alarm is held for the SDK's
// round, which writes the pictures side by side and puts the round's rows into
// Corvane.db with one commit, as the handler's alarms are.
class IncidentStore
{
public:
    IncidentStore(const QString& dataPath, size_t expected) : dataPath(dataPath) { stored.reserve(expected); }

    void Store(const TSR_ALARMER& alarmer, const TSR_AID_ALARM& alarm)
    {
        TrafficIncident incident;
        incident.time = FormatPackedTime(alarm.dwAbsTime, QStringLiteral("%1%2%3%4%5%6"));
        incident.deviceIp = QString::fromLatin1(alarmer.sDeviceIP);
        incident.channelIp = QString::fromLatin1(alarm.struDevInfo.sIpV4);
        incident.channelNo = alarm.struDevInfo.byChannel;
        incident.incidentType = alarm.dwIncidentType;
        incident.laneNo = alarm.byLaneNo;
        const QString folder = QStringLiteral("%1/data/IncidentImageDir/%2/%3/%4/")
                                   .arg(dataPath, QString::fromStdString(IncidentTypeName(alarm.dwIncidentType)),
                                        incident.time.left(8), incident.time.mid(8, 2));
        incident.picPath = folder + QStringLiteral("incident_%1_%2_%3_%4_%5.jpeg")
                                        .arg(alarm.dwIncidentType)
                                        .arg(incident.deviceIp, incident.channelIp, incident.time)
                                        .arg(taken++);
        AlarmRound::Alarm held;
        held.pictures.append({incident.picPath, QByteArray::fromRawData(reinterpret_cast<const char*>(alarm.pImage),
                                                                        static_cast<int>(alarm.dwPicDataLen))});
        held.storeRows = [incident, origin = DeviceManager::CurrentAlarmOrigin()] {
            return ImplementInstance::GetInstance()->GetDatabase()->InsertIncidentInfo(incident, origin);
        };
        // A refused round comes again: only a stored alarm counts.
        held.stored = [this] {
            std::lock_guard<std::mutex> lock(mutex);
            stored.push_back(Clock::now());
        };
        DeviceManager::HoldAlarm(std::move(held));
    }

    void CountFailure(bool failing)
    {
        std::lock_guard<std::mutex> lock(mutex);
        failures += failing;
    }

    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return stored.size();
    }
    std::vector<Clock::time_point> Times()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return stored;
    }
    int Failures()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return failures;
    }

private:
    const QString dataPath;
    size_t taken = 0; // the dispatch thread's
    std::mutex mutex;
    std::vector<Clock::time_point> stored;
    int failures = 0;
};

// Seconds to write `count` blocks of `block` bytes to one new file and get
// them onto the disk: the disk's own sequential rate.
double SequentialWriteSeconds(const QString& path, const QByteArray& block, size_t count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < count; ++i)
        file.write(block);
    file.flush();
    fsync(file.handle());
    const double seconds = timer.nsecsElapsed() / 1e9;
    file.close();
    QFile::remove(path);
    return seconds;
}

// Seconds to write the same blocks as `count` new files of one block each
// (into the page cache, or each synced as the alarm path does): creating files
// can cost more than their bytes.
double PictureFilesSeconds(const QString& folder, const QByteArray& block, size_t count, bool sync)
{
    QDir().mkpath(folder);
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/picture_%2.jpeg").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(block) != block.size() || !file.flush() ||
            (sync && fdatasync(file.handle()) != 0))
            return -1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QDir(folder).removeRecursively();
    return seconds;
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()))];
}

struct Phase
{
    double perSecond = 0;
    double p50 = 0;
    double p99 = 0;
    std::vector<double> latencies;
};

// Incidents `from` to `to` (in push order, which is also the order of storing):
// their rate from the first push to the last stored row, and their latencies.
Phase Measure(const std::vector<Clock::time_point>& sent, const std::vector<Clock::time_point>& stored, size_t from,
              size_t to)
{
    Phase phase;
    to = std::min({to, sent.size(), stored.size()});
    if (to <= from)
        return phase;
    std::vector<double> latencies;
    for (size_t i = from; i < to; ++i)
        latencies.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(stored[i] - sent[i]).count()));
    const double seconds = std::chrono::duration<double>(stored[to - 1] - sent[from]).count();
    phase.perSecond = seconds > 0 ? (to - from) / seconds : 0;
    phase.p50 = Percentile(latencies, 0.50);
    phase.p99 = Percentile(latencies, 0.99);
    phase.latencies = std::move(latencies);
    return phase;
}

struct KillResult
{
    size_t sent = 0;
    int kills = 0;
    int killsMidFlood = 0;
    size_t stored = 0;   // rows, repeats included
    size_t repeated = 0; // rows beyond the first of the same alarm
    size_t missing = 0;  // alarms sent without a row
    size_t extra = 0;    // distinct rows of no alarm sent in this run
    // stored = (sent - missing + extra) + repeated
    bool AddsUp() const { return stored == sent - missing + extra + repeated; }
    bool Clean() const { return sent > 0 && killsMidFlood == kills && repeated == 0 && missing == 0 && extra == 0; }
};

size_t StoredCount(const QString& database)
{
    size_t count = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("killed"));
        db.setDatabaseName(database);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("select count(*) from alarms")) && query.next())
            count = query.value(0).toULongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("killed"));
    return count;
}

std::vector<QByteArray> StoredBodies(const QString& database)
{
    std::vector<QByteArray> bodies;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("killed"));
        db.setDatabaseName(database);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("select body from alarms")))
            while (query.next())
                bodies.push_back(query.value(0).toByteArray());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("killed"));
    return bodies;
}

bool StartStoreClient(QProcess& process, const QStringList& arguments)
{
    process.start(QStringLiteral(ALARM_STORE_CLIENT), arguments);
    QByteArray output;
    while (!output.contains("ready")) {
        if (!process.waitForReadyRead(30000))
            return false;
        output += process.readAllStandardOutput();
    }
    return true;
}

// A flood of numbered incidents to a client that stores each before its
// callback returns; it is killed with SIGKILL ten times, each time once it has
// stored some more, and started again.
KillResult KillDuringFlood(devsim::SimDevice& device, uint16_t listenPort, const QString& folder)
{
    KillResult result;
    QDir().mkpath(folder);
    std::mutex mutex;
    std::vector<QByteArray> sentBodies;
    device.setAlarmSentHook([&](const std::vector<uint8_t>& body) {
        std::lock_guard<std::mutex> lock(mutex);
        sentBodies.emplace_back(reinterpret_cast<const char*>(body.data()), static_cast<int>(body.size()));
    });
    // The hook's state ends with this run.
    std::shared_ptr<void> unhook(nullptr, [&](void*) { device.setAlarmSentHook({}); });
    const devsim::DeviceSpec& spec = device.spec();
    const QString database = folder + QStringLiteral("/alarms.db");
    const QStringList arguments = {database,
                                   QString::number(listenPort),
                                   QString::fromStdString(spec.address),
                                   QString::number(spec.port),
                                   QString::fromStdString(spec.user),
                                   QString::fromStdString(spec.password),
                                   database + QStringLiteral(".ledger")};
    // Each restart stores a burst before the next kill: a flood long enough
    // that all ten land in it, also on a fast machine.
    const size_t flood = 5000, storedBetweenKills = 30;
    const int kills = 10;
    auto waitFor = [](const std::function<bool()>& done) {
        const auto deadline = Clock::now() + std::chrono::minutes(3);
        while (!done() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    auto client = std::make_unique<QProcess>();
    if (!StartStoreClient(*client, arguments))
        return result;
    device.fireAlarms(devsim::AlarmKind::Incident, static_cast<int>(flood));
    for (int kill = 0; kill < kills; ++kill) {
        const size_t before = StoredCount(database);
        waitFor([&] { return StoredCount(database) >= std::min(before + storedBetweenKills, flood); });
        ::kill(static_cast<pid_t>(client->processId()), SIGKILL);
        client->waitForFinished(10000);
        ++result.kills;
        result.killsMidFlood += StoredCount(database) < flood;
        client = std::make_unique<QProcess>();
        if (!StartStoreClient(*client, arguments))
            return result;
    }
    waitFor([&] { return device.alarmsSent() >= flood && device.alarmsUnacknowledged() == 0; });
    client->kill();
    client->waitForFinished(10000);

    std::vector<QByteArray> stored = StoredBodies(database);
    std::lock_guard<std::mutex> lock(mutex);
    result.sent = sentBodies.size();
    std::sort(sentBodies.begin(), sentBodies.end());
    std::sort(stored.begin(), stored.end());
    result.stored = stored.size();
    std::vector<QByteArray> unique = stored;
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    result.repeated = stored.size() - unique.size();
    std::vector<QByteArray> missing, extra;
    std::set_difference(sentBodies.begin(), sentBodies.end(), unique.begin(), unique.end(),
                        std::back_inserter(missing));
    std::set_difference(unique.begin(), unique.end(), sentBodies.begin(), sentBodies.end(), std::back_inserter(extra));
    result.missing = missing.size();
    result.extra = extra.size();
    return result;
}

int CountRows()
{
    stu_SearchCondition condition;
    condition.startTime = "20000101000000000";
    condition.endTime = "20991231235959999";
    condition.laneNo = -1;
    int total = 0;
    ImplementInstance::GetInstance()->GetDatabase()->GetTotalNum(em_SearchType(0), condition, total);
    return total;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const size_t incidents = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;
    const size_t pictureBytes = (argc > 2 ? std::max(1, atoi(argv[2])) : 150) * 1024;
    QTemporaryDir folder(argc > 3 ? QString::fromLocal8Bit(argv[3]) + QStringLiteral("/bench_alarms-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/bench_alarms-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_alarms: no temporary folder\n");
        return 1;
    }
    qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.path()));
    // The client's logging, as it runs: every alarm logs on its way. Its console
    // copies are silenced while the alarms flow.
    InitLogging(L"CorvaneLogs");
    auto silence = std::make_unique<ConsoleSilencer>();
    ImplementInstance::CreateInstance();
    ImplementInstance::GetInstance()->InitImplementInstance();
    if (!ImplementInstance::GetInstance()->GetDatabase()->ConnectDatabase(folder.filePath("Corvane.db"))) {
        silence.reset();
        std::fprintf(stderr, "bench_alarms: cannot make Corvane.db\n");
        return 1;
    }

    TSR_Init();
    const uint16_t listenPort = testsupport::reservePort();
    const devsim::Layout layout = OneDeviceLayout(2, testsupport::reservePort(), listenPort, 200);
    devsim::Simulator simulator;
    simulator.setPictureBytes(pictureBytes);
    std::string error;
    if (!simulator.start(devsim::Simulator::devicesFor(layout), devsim::Simulator::defaultClipPath(), error)) {
        silence.reset();
        std::fprintf(stderr, "bench_alarms: %s\n", error.c_str());
        return 1;
    }
    devsim::SimDevice& device = *simulator.devices().at(0);
    std::mutex sentMutex;
    std::vector<Clock::time_point> sent;
    sent.reserve(incidents);
    // Stamped when the simulator makes and queues the alarm, before it is sent:
    // time spent waiting in the simulator counts.
    device.setAlarmSentHook([&](const std::vector<uint8_t>&) {
        std::lock_guard<std::mutex> lock(sentMutex);
        sent.push_back(Clock::now());
    });

    IncidentStore store(folder.filePath(QStringLiteral("data")), incidents);
    DeviceManager* manager = DeviceManager::GetInstance();
    QObject receiver;
    QObject::connect(
        manager, &DeviceManager::AlarmStoreFailingSig, &receiver, [&](bool failing) { store.CountFailure(failing); },
        Qt::DirectConnection);
    DeviceManager::ConnectAlarms(
        &receiver, [&](const TSR_ALARMER* alarmer, const TSR_AID_ALARM* alarm) { store.Store(*alarmer, *alarm); },
        [](const TSR_ALARMER*, const TSR_TPS_ALARM*) {}, [](const TSR_ALARMER*, const TSR_TFS_ALARM*) {});
    // The listener takes alarms only from devices the client has logged into.
    const devsim::DeviceSpec& spec = device.spec();
    long loginId = -1;
    if (!manager->DeviceLogin(QString::fromStdString(spec.address), spec.port, QString::fromStdString(spec.user),
                              QString::fromStdString(spec.password), &loginId)) {
        silence.reset();
        std::fprintf(stderr, "bench_alarms: cannot log into the simulated device\n");
        return 1;
    }
    long listenHandle = -1;
    if (!manager->StartListen(&listenHandle, listenPort)) {
        silence.reset();
        std::fprintf(stderr, "bench_alarms: cannot listen\n");
        return 1;
    }

    // The disk's bound for the same pictures, in a folder of its own and before
    // any alarm: mass deletions between rounds would slow the path measured.
    const QByteArray block(static_cast<int>(pictureBytes), 'x');
    const QString anchorFolder = folder.filePath(QStringLiteral("anchor"));
    QDir().mkpath(anchorFolder);
    const double diskSeconds =
        SequentialWriteSeconds(anchorFolder + QStringLiteral("/sequential.bin"), block, incidents);
    const double filesSeconds =
        PictureFilesSeconds(anchorFolder + QStringLiteral("/pictures"), block, incidents, false);
    const double syncedFilesSeconds =
        PictureFilesSeconds(anchorFolder + QStringLiteral("/synced"), block, incidents, true);

    auto waitForStored = [&](size_t count) {
        const auto deadline = Clock::now() + std::chrono::minutes(5);
        while (store.Count() < count && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    // Burst, in four rounds.
    const size_t rounds = 4;
    std::vector<size_t> roundEnds;
    for (size_t round = 0; round < rounds; ++round) {
        const size_t from = round * incidents / rounds, to = (round + 1) * incidents / rounds;
        device.fireAlarms(devsim::AlarmKind::Incident, static_cast<int>(to - from));
        waitForStored(to);
        roundEnds.push_back(to);
    }
    // Paced: 1,000 a second for five seconds, in batches of ten.
    const size_t pacedRate = 1000, pacedCount = 5 * pacedRate;
    auto next = Clock::now();
    for (size_t fired = 0; fired < pacedCount; fired += 10) {
        device.fireAlarms(devsim::AlarmKind::Incident, 10);
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
    }
    waitForStored(incidents + pacedCount);
    // Alarms stored but not yet acknowledged would be sent again to the killed
    // client below and count there as rows it was never sent.
    const auto settleBy = Clock::now() + std::chrono::minutes(1);
    while (device.alarmsUnacknowledged() != 0 && Clock::now() < settleBy)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    TSR_StopListen(static_cast<int32_t>(listenHandle));
    DeviceManager::DestroyInstance();
    // The same device's alarms to a client that is killed with SIGKILL mid-flood
    // and started again.
    const KillResult killed = KillDuringFlood(device, listenPort, folder.filePath(QStringLiteral("killed")));
    TSR_Cleanup();
    simulator.stop();

    std::vector<Clock::time_point> sentAt;
    {
        std::lock_guard<std::mutex> lock(sentMutex);
        sentAt = sent;
    }
    const std::vector<Clock::time_point> storedAt = store.Times();
    // The rounds' rates and latencies together; the disk runs between rounds
    // are not alarm time.
    std::vector<double> burstLatencies;
    double burstSeconds = 0;
    for (size_t round = 0, from = 0; round < rounds; from = roundEnds[round++]) {
        const Phase phase = Measure(sentAt, storedAt, from, roundEnds[round]);
        burstSeconds += phase.perSecond > 0 ? (roundEnds[round] - from) / phase.perSecond : 0;
        burstLatencies.insert(burstLatencies.end(), phase.latencies.begin(), phase.latencies.end());
    }
    Phase burst;
    burst.perSecond = burstSeconds > 0 ? incidents / burstSeconds : 0;
    burst.p50 = Percentile(burstLatencies, 0.50);
    burst.p99 = Percentile(burstLatencies, 0.99);
    const Phase paced = Measure(sentAt, storedAt, incidents, incidents + pacedCount);
    const size_t total = incidents + pacedCount;
    const int rows = CountRows();

    silence.reset();
    const double diskMiBs = incidents * pictureBytes / diskSeconds / (1024.0 * 1024.0);
    const double diskBound = incidents / diskSeconds;
    const double filesBound = incidents / filesSeconds;
    const double syncedBound = incidents / syncedFilesSeconds;

    std::printf("picture                    %zu KiB\n", pictureBytes / 1024);
    std::printf("burst of %-6zu             %.0f incidents per second, push to stored row p50 %.2f ms, p99 %.2f ms\n",
                incidents, burst.perSecond, burst.p50, burst.p99);
    std::printf("paced %zu per second       %.0f incidents per second, push to stored row p50 %.2f ms, p99 %.2f ms\n",
                pacedRate, paced.perSecond, paced.p50, paced.p99);
    std::printf("stored                     %zu of %zu (rows %d, store failures %d)\n", storedAt.size(), total, rows,
                store.Failures());
    std::printf("disk sequential write      %.0f MiB/s, %.0f pictures per second\n", diskMiBs, diskBound);
    std::printf("disk, one file a picture   %.0f pictures per second (%.0f each synced)\n", filesBound, syncedBound);
    std::printf(
        "burst to disk bound        %.2f (sequential), %.2f (one file a picture), %.2f (one synced file a picture)\n",
        diskBound > 0 ? burst.perSecond / diskBound : 0, filesBound > 0 ? burst.perSecond / filesBound : 0,
        syncedBound > 0 ? burst.perSecond / syncedBound : 0);
    std::printf("kill -9 mid-flood          %d of %d kills mid-flood; sent %zu, stored %zu = %zu sent - %zu missing + "
                "%zu extra + %zu repeated (%s)\n",
                killed.killsMidFlood, killed.kills, killed.sent, killed.stored, killed.sent, killed.missing,
                killed.extra, killed.repeated, killed.AddsUp() ? "adds up" : "does not add up");
    ImplementInstance::GetInstance()->GetDatabase()->CloseDatabase();
    ImplementInstance::DestroyInstance();
    ShutdownLogging();
    const bool killOk = killed.Clean() && killed.AddsUp();
    if (rows != static_cast<int>(total) || !killOk) {
        std::printf("FAILED: rows missing or repeated\n");
        return 1;
    }
    // The road syncs every picture and its folder before the acknowledgement:
    // the bound that does the same is the one to keep up with.
    if (syncedBound <= 0 || burst.perSecond < 0.5 * syncedBound) {
        std::printf("GOAL MISSED: the burst stored %.0f/s, under half of the disk's %.0f synced pictures/s\n",
                    burst.perSecond, syncedBound);
        return kGoalMissed;
    }
    return 0;
}
