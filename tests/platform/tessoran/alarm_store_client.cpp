// A client for the kill -9 tests: logs into one device, listens for alarms and
// stores each in an SQLite file before its callback returns, as the real client
// does: the row and the device's (run, last number) in one transaction, synced
// at the commit, and an alarm whose number is stored already is acknowledged
// without a second row. Prints "ready <process id>" once listening; runs until
// killed.
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
QSqlDatabase dispatchDatabase()
{
    if (QSqlDatabase::contains("dispatch"))
        return QSqlDatabase::database("dispatch");
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dispatch");
    db.setDatabaseName(g_path);
    if (db.open())
        QSqlQuery(db).exec("PRAGMA synchronous=FULL");
    return db;
}

bool storedBefore(QSqlDatabase& db, const TSR_ALARM_IDENTITY& identity)
{
    QSqlQuery query(db);
    query.prepare("select lastNumber from ledger where device = ? and runId = ?");
    query.addBindValue(QString::fromLatin1(identity.sDevice));
    query.addBindValue(static_cast<qint64>(identity.qwRunId));
    return query.exec() && query.next() && query.value(0).toLongLong() >= identity.dwNumber;
}

TSR_BOOL store(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t, void*)
{
    TSR_ALARM_IDENTITY identity{};
    if (!TSR_GetDeliveredAlarm(&identity)) {
        std::fprintf(stderr, "no identity inside the callback\n");
        return 0;
    }
    std::vector<uint8_t> bytes = tessoran::wire::encodeAlarm(command, *alarmer, body);
    QSqlDatabase db = dispatchDatabase();
    if (!db.transaction())
        return 0;
    if (storedBefore(db, identity)) {
        db.rollback();
        return 1;
    }
    QSqlQuery insert(db);
    insert.prepare("insert into alarms(body) values (?)");
    insert.addBindValue(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())));
    QSqlQuery mark(db);
    mark.prepare("insert or replace into ledger(device, runId, lastNumber) values (?, ?, ?)");
    mark.addBindValue(QString::fromLatin1(identity.sDevice));
    mark.addBindValue(static_cast<qint64>(identity.qwRunId));
    mark.addBindValue(static_cast<qint64>(identity.dwNumber));
    if (!insert.exec() || !mark.exec() || !db.commit()) {
        std::fprintf(stderr, "store failed: %s\n", qPrintable(db.lastError().text()));
        db.rollback();
        return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 8) {
        std::fprintf(stderr,
                     "usage: alarm_store_client <database> <listen port> <ip> <port> <user> <password> <ledger>\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    g_path = QString::fromLocal8Bit(argv[1]);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
        db.setDatabaseName(g_path);
        if (!db.open())
            return 1;
        QSqlQuery(db).exec("create table if not exists alarms(id integer primary key, body blob)");
        QSqlQuery(db).exec(
            "create table if not exists ledger(device text primary key, runId integer, lastNumber integer)");
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
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
