// The export of 100,000 traffic-parameter rows against the anchor, the sqlite3
// command line writing the same rows (the same sixteen texts, GBK-encoded) from
// a table with `.mode csv`. Both write to a file in the same temporary folder;
// the best of three runs of each counts. Exits non-zero when the export did not
// write every row.

#include "../BenchExit.h"
#include "search/TrafficParamExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QVariant>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 100000;

QList<TrafficParam> Rows()
{
    QList<TrafficParam> rows;
    rows.reserve(kRows);
    for (int n = 1; n <= kRows; ++n) {
        TrafficParam row;
        row.rowNo = n;
        row.startTime = QStringLiteral("20261201%1").arg(n % 86400, 6, 10, QLatin1Char('0'));
        row.endTime = row.startTime;
        row.deviceIp = QStringLiteral("192.168.%1.%2").arg(n / 250 % 250).arg(n % 250);
        row.channelIp = QStringLiteral("10.0.%1.%2").arg(n / 250 % 250).arg(n % 250);
        row.laneNo = n % 6 + 1;
        row.laneFlow = n % 97;
        row.lightVehicleNum = n % 53;
        row.midVehicleNum = n % 11;
        row.heavyVehicleNum = n % 7;
        row.laneSpeed = n % 120;
        row.spaceHeadWay = n % 80;
        row.timeHeadWay = n % 9;
        row.timeRation = (n % 1000) / 1000.0f;
        row.spaceRation = (n % 333) / 333.0f;
        row.trafficState = n % 4;
        rows.append(row);
    }
    return rows;
}

// A table of the rows' exported texts, GBK bytes as blobs, for the anchor.
bool WriteTable(const QString& dbPath, const QList<TrafficParam>& rows)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(dbPath);
    if (!db.open())
        return false;
    QSqlQuery query(db);
    QStringList columns;
    for (int c = 1; c <= 16; ++c)
        columns << QStringLiteral("c%1").arg(c);
    query.exec(QStringLiteral("create table t(%1)").arg(columns.join(QLatin1Char(','))));
    db.transaction();
    query.prepare(QStringLiteral("insert into t values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    QTextCodec* gbk = QTextCodec::codecForName("gbk");
    for (const TrafficParam& row : rows) {
        const QStringList fields = TrafficParamExport::FieldsOf(row);
        for (int c = 0; c < 16; ++c)
            query.bindValue(c, QVariant(gbk->fromUnicode(fields.at(c))));
        if (!query.exec())
            return false;
    }
    return db.commit();
}

double AnchorSeconds(const QString& sqlite3, const QString& dbPath, const QString& out)
{
    QFile::remove(out);
    QProcess process;
    process.setStandardOutputFile(out);
    QElapsedTimer timer;
    timer.start();
    process.start(sqlite3, {QStringLiteral("-csv"), dbPath, QStringLiteral("select * from t")});
    process.waitForFinished(-1);
    return process.exitCode() == 0 ? timer.nsecsElapsed() / 1e9 : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    QTemporaryDir folder;
    const QList<TrafficParam> rows = Rows();
    QSet<int> checked;
    for (const TrafficParam& row : rows)
        checked.insert(row.rowNo);

    double ours = 1e9;
    for (int run = 0; run < 3; ++run) {
        const QString out = folder.filePath(QStringLiteral("export.csv"));
        QFile::remove(out);
        QElapsedTimer timer;
        timer.start();
        const TrafficParamExport::Outcome outcome = TrafficParamExport::Append(out, rows, checked);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!outcome.ok || outcome.written != kRows || QFile(out).size() < kRows * 60) {
            std::fprintf(stderr, "export wrote %d of %d rows\n", outcome.written, kRows);
            return 1;
        }
        ours = std::min(ours, seconds);
    }
    if (sqlite3.isEmpty()) {
        std::fprintf(stderr, "sqlite3 not found\n");
        return 1;
    }
    const QString dbPath = folder.filePath(QStringLiteral("rows.db"));
    if (!WriteTable(dbPath, rows)) {
        std::fprintf(stderr, "cannot build the anchor's table\n");
        return 1;
    }
    double anchor = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double seconds = AnchorSeconds(sqlite3, dbPath, folder.filePath(QStringLiteral("anchor.csv")));
        if (seconds < 0)
            return 1;
        anchor = std::min(anchor, seconds);
    }
    std::printf("export of %d rows: %.1f ms\n", kRows, ours * 1e3);
    std::printf("anchor, sqlite3 -csv writing the same rows: %.1f ms\n", anchor * 1e3);
    const bool met = ours / anchor <= 2.0;
    std::printf("ratio: %.2f (goal at most 2): %s\n", ours / anchor, met ? "met" : "MISSED");
    return met ? 0 : kGoalMissed;
}
