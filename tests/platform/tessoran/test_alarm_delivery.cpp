// Alarms survive a broken connection and a killed client: the device keeps what
// was not acknowledged and sends it again; what was delivered is not delivered
// twice.

#include "ListenerFixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <map>
#include <string>
#include <thread>

using namespace std::chrono;

namespace {

using AlarmDeliveryTest = ListenerFixture;

// The callback is held while the device keeps sending; then the device drops
// and comes back. What the listener had taken but not delivered is delivered
// once; what it had not taken is sent again.
TEST_F(AlarmDeliveryTest, AlarmsSentAgainAfterADropArriveOnceInOrder)
{
    constexpr int kAlarms = 600;
    loginDeviceOrFail();
    gateOpen_ = false;
    listen();
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return device().alarmsUnacknowledged() >= 300; }));
    device().drop();
    device().restore();
    gateOpen_ = true;
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return receivedCount() == kAlarms && device().alarmsUnacknowledged() == 0; }, seconds(120)))
        << receivedCount() << " received, " << device().alarmsUnacknowledged() << " unacknowledged";
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_GT(device().alarmsResent(), 0u);
    EXPECT_TRUE(log_.contains("was delivered before; acknowledged again"));
    EXPECT_EQ(received(), sent());
}

// The store client, run directly or under `wrapper` (a tracer that runs it as
// its child).
class StoreClient
{
public:
    StoreClient(const QString& database, uint16_t listenPort, const devsim::DeviceSpec& device,
                const QStringList& wrapper = {})
        : wrapper_(wrapper)
    {
        arguments_ << database << QString::number(listenPort) << QString::fromStdString(device.address)
                   << QString::number(device.port) << QString::fromStdString(device.user)
                   << QString::fromStdString(device.password) << database + ".ledger";
    }
    bool start()
    {
        if (wrapper_.isEmpty())
            process_.start(ALARM_STORE_CLIENT, arguments_);
        else
            process_.start(wrapper_.first(), wrapper_.mid(1) + QStringList{ALARM_STORE_CLIENT} + arguments_);
        QByteArray output;
        while (!output.contains('\n')) {
            if (!process_.waitForReadyRead(30000))
                return false;
            output += process_.readAllStandardOutput();
        }
        const QList<QByteArray> words = output.trimmed().split(' ');
        clientId_ = words.size() == 2 && words[0] == "ready" ? words[1].toInt() : 0;
        return clientId_ > 0;
    }
    // The client itself, not its tracer, so that nothing is left running.
    void killHard()
    {
        if (clientId_ > 0)
            ::kill(static_cast<pid_t>(clientId_), SIGKILL);
        process_.waitForFinished(10000);
    }
    ~StoreClient()
    {
        killHard();
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QStringList wrapper_;
    QStringList arguments_;
    QProcess process_;
    int clientId_ = 0;
};

// Runs `read` on a connection of its own to the client's database.
template <class Read>
void ReadDatabase(const QString& path, Read read)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
        db.setDatabaseName(path);
        if (db.open())
            read(db);
    }
    QSqlDatabase::removeDatabase("reader");
}

std::vector<std::vector<uint8_t>> storedAlarms(const QString& path)
{
    std::vector<std::vector<uint8_t>> alarms;
    ReadDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery query("select body from alarms order by id", db);
        while (query.next()) {
            QByteArray body = query.value(0).toByteArray();
            alarms.emplace_back(body.begin(), body.end());
        }
    });
    return alarms;
}

// Cheap enough to poll: a kill follows the count it waits for closely.
size_t storedCount(const QString& path)
{
    size_t count = 0;
    ReadDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery query("select count(*) from alarms", db);
        if (query.next())
            count = query.value(0).toULongLong();
    });
    return count;
}

// Fires `total` alarms, 300 a second, from a thread of its own: the flood
// lasts as long however fast the client stores, so kills land in it.
class PacedFlood
{
public:
    PacedFlood(devsim::SimDevice& device, int total)
        : thread_([this, &device, total] {
              for (int fired = 0; fired < total && !stop_; fired += 3) {
                  device.fireAlarms(devsim::AlarmKind::Incident, std::min(3, total - fired));
                  std::this_thread::sleep_for(milliseconds(10));
              }
          })
    {
    }
    ~PacedFlood()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The client is killed with SIGKILL ten times in the middle of one flood and
// started again each time: every alarm the device sent is stored exactly once.
TEST_F(AlarmDeliveryTest, KilledClientStoresEveryAlarmExactlyOnce)
{
    // Ten seconds of flood: every kill lands in it also on a fast machine.
    constexpr int kAlarms = 3000;
    constexpr int kKills = 10;
    constexpr size_t kStoredBetweenKills = 60;
    QTemporaryDir folder;
    const QString database = folder.filePath("alarms.db");
    auto client = std::make_unique<StoreClient>(database, listenPort_, deviceSpec());
    ASSERT_TRUE(client->start());
    PacedFlood flood(device(), kAlarms);
    int killsMidFlood = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const size_t before = storedCount(database);
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] { return storedCount(database) >= std::min(before + kStoredBetweenKills, size_t(kAlarms)); },
            seconds(60), milliseconds(1)));
        client->killHard();
        killsMidFlood += storedCount(database) < size_t(kAlarms);
        client = std::make_unique<StoreClient>(database, listenPort_, deviceSpec());
        ASSERT_TRUE(client->start());
    }
    // A loaded machine can let the client store the rest of the flood between
    // two late kills; most must still land mid-flood or the test proves nothing.
    EXPECT_GE(killsMidFlood, kKills / 2) << "the kills came after the flood";
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return device().alarmsSent() == size_t(kAlarms) && device().alarmsUnacknowledged() == 0; },
        seconds(180)));
    client.reset();

    std::vector<std::vector<uint8_t>> stored = storedAlarms(database);
    std::vector<std::vector<uint8_t>> expected = sent();
    // Stored in the order sent, each once.
    EXPECT_TRUE(stored == expected) << "sent " << expected.size() << ", stored " << stored.size();
    std::sort(stored.begin(), stored.end());
    size_t duplicates = stored.size() - static_cast<size_t>(std::unique(stored.begin(), stored.end()) - stored.begin());
    std::printf("sent %zu, stored %zu, %d kills mid-flood, %zu repeated\n", expected.size(), storedCount(database),
                killsMidFlood, duplicates);
    EXPECT_EQ(duplicates, 0u);
}

// One system call of a trace line of `strace -f`: its thread, name, first
// argument, all its arguments as text and its result (once it returned).
struct TracedCall
{
    std::string thread;
    std::string name;
    std::string firstArgument;
    std::string arguments;
    std::string result;
    bool returned = false;
};

// The calls of a `strace -f` output in the order they returned; a call cut in
// two by another thread's line is joined with its "resumed" half.
std::vector<TracedCall> tracedCalls(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression started(R"(^(\d+) +(\w+)\(([^,)]*)(.*?)(?:= (-?\d+).*)?$)");
    static const QRegularExpression resumed(R"(^(\d+) +<\.\.\. (\w+) resumed>.*= (-?\d+))");
    std::map<std::string, TracedCall> open; // per thread, the call waiting for its end
    std::vector<TracedCall> calls;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (const QRegularExpressionMatch end = resumed.match(line); end.hasMatch()) {
            const std::string thread = end.captured(1).toStdString();
            if (auto it = open.find(thread); it != open.end()) {
                it->second.result = end.captured(3).toStdString();
                it->second.returned = true;
                calls.push_back(it->second);
                open.erase(it);
            }
        } else if (const QRegularExpressionMatch call = started.match(line); call.hasMatch()) {
            TracedCall traced{call.captured(1).toStdString(), call.captured(2).toStdString(),
                              call.captured(3).toStdString(), (call.captured(3) + call.captured(4)).toStdString(),
                              call.captured(5).toStdString(), false};
            traced.returned = line.contains(" = ") && !line.contains("<unfinished");
            if (traced.returned)
                calls.push_back(traced);
            else
                open[traced.thread] = traced;
        }
    }
    return calls;
}

// A power cut must not take the ledger back behind what was acknowledged: the
// thread that writes a ledger record syncs the file before it hands any
// acknowledgement to the connections (an eventfd wake-up of their thread).
TEST_F(AlarmDeliveryTest, LedgerRecordsAreOnTheDiskBeforeAcknowledgementsLeave)
{
    const QString strace = QStandardPaths::findExecutable("strace");
    ASSERT_FALSE(strace.isEmpty()) << "strace is a test dependency (scripts/packages.txt)";
    constexpr int kAlarms = 300;
    QTemporaryDir folder;
    const QString database = folder.filePath("alarms.db");
    const QString trace = folder.filePath("trace.txt");
    auto client = std::make_unique<StoreClient>(database, listenPort_, deviceSpec(),
                                                QStringList{strace, "-f", "-qq", "-e", "signal=none", "-e",
                                                            "trace=openat,pwrite64,fdatasync,write", "-o", trace});
    ASSERT_TRUE(client->start());
    device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return device().alarmsSent() == size_t(kAlarms) && device().alarmsUnacknowledged() == 0; },
        seconds(120)));
    client.reset();

    const std::vector<TracedCall> calls = tracedCalls(trace);
    std::string ledger;
    for (const TracedCall& call : calls)
        if (call.name == "openat" && call.returned && call.arguments.find(".ledger\"") != std::string::npos)
            ledger = call.result;
    ASSERT_FALSE(ledger.empty()) << "the ledger was opened";
    // Per thread: a ledger record written and not yet synced.
    std::map<std::string, bool> unsynced;
    size_t records = 0, syncs = 0, wakeUpsWhileUnsynced = 0;
    for (const TracedCall& call : calls) {
        if (call.name == "pwrite64" && call.firstArgument == ledger) {
            unsynced[call.thread] = true;
            ++records;
        } else if (call.name == "fdatasync" && call.firstArgument == ledger && call.result == "0") {
            unsynced[call.thread] = false;
            ++syncs;
        } else if (call.name == "write" && call.result == "8" && unsynced[call.thread]) {
            ++wakeUpsWhileUnsynced;
        }
    }
    EXPECT_GE(records, size_t(kAlarms));
    EXPECT_GE(syncs, 1u);
    EXPECT_LE(syncs, records) << "a sync per round, not more";
    EXPECT_EQ(wakeUpsWhileUnsynced, 0u);
    for (const auto& [thread, pending] : unsynced)
        EXPECT_FALSE(pending) << "thread " << thread;
}

} // namespace

CORVANE_GTEST_MAIN_WITH_GUI
