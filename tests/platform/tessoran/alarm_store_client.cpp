// A client for the kill -9 test: logs into one device, listens for alarms and
// stores each in an SQLite file (with SQLite's defaults, as the real client's
// database) before its callback returns. Prints "ready <process id>" once
// listening; runs until killed.
//
//   alarm_store_client <database> <listen port> <device ip> <device port> <user> <password> <ledger>

#include "WireRecords.h"
#include "tessoran.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <cstring>
#include <thread>

#include <unistd.h>

namespace {

QString g_path;

// A connection belongs to the thread that opened it: the SDK's dispatch thread
// opens its own on the first alarm.
QSqlDatabase dispatchDatabase() {
  if (QSqlDatabase::contains("dispatch")) return QSqlDatabase::database("dispatch");
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dispatch");
  db.setDatabaseName(g_path);
  db.open();
  return db;
}

TSR_BOOL store(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t, void*) {
  std::vector<uint8_t> bytes = tessoran::wire::encodeAlarm(command, *alarmer, body);
  QSqlQuery insert(dispatchDatabase());
  insert.prepare("insert into alarms(body) values (?)");
  insert.addBindValue(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())));
  if (!insert.exec()) std::fprintf(stderr, "insert failed: %s\n", qPrintable(insert.lastError().text()));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr, "usage: alarm_store_client <database> <listen port> <ip> <port> <user> <password> <ledger>\n");
    return 2;
  }
  QCoreApplication app(argc, argv);
  g_path = QString::fromLocal8Bit(argv[1]);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
    db.setDatabaseName(g_path);
    if (!db.open()) return 1;
    QSqlQuery(db).exec("create table if not exists alarms(id integer primary key, body blob)");
  }

  TSR_Init();
  TSR_SetAlarmLedger(argv[7]);
  TSR_USER_LOGIN_INFO login{};
  std::snprintf(login.sDeviceAddress, sizeof login.sDeviceAddress, "%s", argv[3]);
  login.wPort = static_cast<uint16_t>(std::atoi(argv[4]));
  std::snprintf(login.sUserName, sizeof login.sUserName, "%s", argv[5]);
  std::snprintf(login.sPassword, sizeof login.sPassword, "%s", argv[6]);
  if (TSR_Login(&login, nullptr) < 0) {
    std::fprintf(stderr, "login failed: %s\n", TSR_GetErrorMsg(nullptr));
    return 1;
  }
  if (TSR_StartListen("127.0.0.1", static_cast<uint16_t>(std::atoi(argv[2])), store, nullptr) < 0) {
    std::fprintf(stderr, "listen failed: %s\n", TSR_GetErrorMsg(nullptr));
    return 1;
  }
  std::printf("ready %d\n", static_cast<int>(::getpid()));
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
