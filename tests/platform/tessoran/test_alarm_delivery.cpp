// Alarms survive a broken connection and a killed client: the device keeps what
// was not acknowledged and sends it again; what was delivered is not delivered
// twice.

#include "ListenerFixture.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <csignal>

using namespace std::chrono;

namespace {

using AlarmDeliveryTest = ListenerFixture;

// The callback is held while the device keeps sending; then the device drops
// and comes back. What the listener had taken but not delivered is delivered
// once; what it had not taken is sent again.
TEST_F(AlarmDeliveryTest, AlarmsSentAgainAfterADropArriveOnceInOrder) {
  constexpr int kAlarms = 600;
  loginDeviceOrFail();
  gateOpen_ = false;
  listen();
  device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
  ASSERT_TRUE(testsupport::waitUntil([&] { return device().alarmsUnacknowledged() >= 300; }));
  device().drop();
  device().restore();
  gateOpen_ = true;
  ASSERT_TRUE(testsupport::waitUntil([&] { return receivedCount() == kAlarms && device().alarmsUnacknowledged() == 0; },
                                     seconds(120)))
      << receivedCount() << " received, " << device().alarmsUnacknowledged() << " unacknowledged";
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_GT(device().alarmsResent(), 0u);
  EXPECT_TRUE(log_.contains("was delivered before; acknowledged again"));
  EXPECT_EQ(received(), sent());
}

class StoreClient {
public:
  StoreClient(const QString& database, uint16_t listenPort, const devsim::DeviceSpec& device) {
    arguments_ << database << QString::number(listenPort) << QString::fromStdString(device.address)
               << QString::number(device.port) << QString::fromStdString(device.user)
               << QString::fromStdString(device.password) << database + ".ledger";
  }
  bool start() {
    process_.start(ALARM_STORE_CLIENT, arguments_);
    QByteArray output;
    while (!output.contains("ready")) {
      if (!process_.waitForReadyRead(30000)) return false;
      output += process_.readAllStandardOutput();
    }
    return true;
  }
  void killHard() {
    ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
    process_.waitForFinished(10000);
  }
  ~StoreClient() {
    process_.kill();
    process_.waitForFinished(10000);
  }

private:
  QStringList arguments_;
  QProcess process_;
};

std::vector<std::vector<uint8_t>> storedAlarms(const QString& path) {
  std::vector<std::vector<uint8_t>> alarms;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
    db.setDatabaseName(path);
    if (db.open()) {
      QSqlQuery query("select body from alarms order by id", db);
      while (query.next()) {
        QByteArray body = query.value(0).toByteArray();
        alarms.emplace_back(body.begin(), body.end());
      }
    }
  }
  QSqlDatabase::removeDatabase("reader");
  return alarms;
}

// The client is killed with SIGKILL in the middle of a flood and started again:
// every alarm the device sent is stored exactly once.
TEST_F(AlarmDeliveryTest, KilledClientStoresEveryAlarmExactlyOnce) {
  // Long enough that the kill lands mid-flood also on a fast, idle machine.
  constexpr int kAlarms = 3000;
  QTemporaryDir folder;
  const QString database = folder.filePath("alarms.db");
  auto client = std::make_unique<StoreClient>(database, listenPort_, deviceSpec());
  ASSERT_TRUE(client->start());
  device().fireAlarms(devsim::AlarmKind::Incident, kAlarms);
  ASSERT_TRUE(testsupport::waitUntil([&] { return storedAlarms(database).size() >= 200; }, seconds(60)));
  client->killHard();
  const size_t storedBeforeRestart = storedAlarms(database).size();
  EXPECT_LT(storedBeforeRestart, size_t(kAlarms)) << "the kill came after the flood";

  client = std::make_unique<StoreClient>(database, listenPort_, deviceSpec());
  ASSERT_TRUE(client->start());
  ASSERT_TRUE(testsupport::waitUntil(
      [&] { return device().alarmsSent() == size_t(kAlarms) && device().alarmsUnacknowledged() == 0; },
      seconds(120)));
  client.reset();

  std::vector<std::vector<uint8_t>> stored = storedAlarms(database);
  std::vector<std::vector<uint8_t>> expected = sent();
  std::sort(stored.begin(), stored.end());
  std::sort(expected.begin(), expected.end());
  size_t duplicates = stored.size() - static_cast<size_t>(std::unique(stored.begin(), stored.end()) - stored.begin());
  std::printf("sent %zu, stored %zu before the kill, %zu in all, %zu repeated\n", expected.size(),
              storedBeforeRestart, storedAlarms(database).size(), duplicates);
  EXPECT_EQ(duplicates, 0u);
  stored.erase(std::unique(stored.begin(), stored.end()), stored.end());
  EXPECT_EQ(stored.size(), expected.size());
  EXPECT_TRUE(stored == expected) << "stored alarms differ from those sent";
}

}  // namespace

CORVANE_GTEST_MAIN_WITH_GUI
