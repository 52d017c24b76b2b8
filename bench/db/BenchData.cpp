#include "BenchData.h"

#include "data/DatabaseOperation.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

// The rows of each table come from a recursive counter; random() spreads them
// and "order by t" stores them in time order. :start is the period's first
// second, :count the number of rows.
const char* const kIncidentRows = R"sql(
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < :count),
codes(k, code) AS (VALUES (0,1),(1,2),(2,4),(3,8),(4,16),(5,32),(6,64),(7,260),(8,512),(9,1024),
                          (10,2048),(11,4096),(12,8192),(13,16384),(14,32768),(15,131072),(16,524288)),
r AS (SELECT abs(random()) % 7776000 AS t, abs(random()) AS x FROM n)
INSERT INTO incidentInfo(time, incidentType, deviceIp, channelIp, channelNo, laneNo, picPath, videoPath)
SELECT strftime('%Y%m%d%H%M%S', :start + t, 'unixepoch'),
       (SELECT code FROM codes WHERE k = x % 17),
       '10.20.0.' || (x % 50 + 1),
       '10.20.' || (x % 50 + 1) || '.' || (x / 50 % 4 + 1),
       x / 50 % 4 + 1,
       x / 200 % 4,
       '/opt/corvane/data/pictures/' || strftime('%Y%m%d', :start + t, 'unixepoch') || '/' || (x % 100000000) || '.jpg',
       '/opt/corvane/data/clips/' || strftime('%Y%m%d', :start + t, 'unixepoch') || '/' || (x % 100000000) || '.mp4'
FROM r ORDER BY t
)sql";

const char* const kViolationRows = R"sql(
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < :count),
codes(k, code) AS (VALUES (0,1018),(1,1039),(2,1044),(3,1301),(4,12301),(5,12303),(6,13451),(7,13453)),
r AS (SELECT abs(random()) % 7776000 AS t, abs(random()) AS x FROM n)
INSERT INTO ForensicsInfo(time, violationType, deviceIp, channelIp, channelNo, laneNo, plateNo, picPath)
SELECT strftime('%Y%m%d%H%M%S', :start + t, 'unixepoch'),
       (SELECT code FROM codes WHERE k = x % 8),
       '10.20.0.' || (x % 50 + 1),
       '10.20.' || (x % 50 + 1) || '.' || (x / 50 % 4 + 1),
       x / 50 % 4 + 1,
       x / 200 % 4,
       '京' || char(65 + x / 800 % 26) || printf('%05d', x / 20800 % 100000),
       '/opt/corvane/data/pictures/' || strftime('%Y%m%d', :start + t, 'unixepoch') || '/' || (x % 100000000) || '.jpg'
FROM r ORDER BY t
)sql";

const char* const kTrafficParamRows = R"sql(
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < :count),
r AS (SELECT abs(random()) % 25920 * 300 AS t, abs(random()) AS x FROM n)
INSERT INTO TrafficParamInfo(startTime, endTime, channelIp, channelNo, laneNo, laneFlow, lightVehicleNum,
    midVehicleNum, heavyVehicleNum, laneSpeed, spaceHeadWay, timeHeadWay, timeRation, spaceRation, queueLength,
    trafficState, deviceIp)
SELECT strftime('%Y%m%d%H%M%S', :start + t, 'unixepoch'),
       strftime('%Y%m%d%H%M%S', :start + t + 300, 'unixepoch'),
       '10.20.' || (x % 50 + 1) || '.' || (x / 50 % 4 + 1),
       x / 50 % 4 + 1,
       x / 200 % 4,
       x / 800 % 120,
       x / 800 % 100,
       x / 7 % 15,
       x / 11 % 8,
       x / 13 % 120,
       x / 17 % 80,
       x / 19 % 10,
       round((x / 23 % 1000) / 1000.0, 3),
       round((x / 29 % 1000) / 1000.0, 3),
       x / 31 % 200,
       x / 37 % 4,
       '10.20.0.' || (x % 50 + 1)
FROM r ORDER BY t
)sql";

QString Run(QSqlDatabase& database, const QString& sql, qint64 count = 0)
{
    QSqlQuery query(database);
    if (!query.prepare(sql))
        return query.lastError().text();
    if (sql.contains(QLatin1String(":count"))) {
        query.bindValue(QStringLiteral(":count"), count);
        query.bindValue(QStringLiteral(":start"), BenchPeriodStart());
    }
    return query.exec() ? QString() : query.lastError().text();
}

QString Fill(QSqlDatabase& database, const BenchDataSize& size, const QStringList& withoutIndexes)
{
    std::vector<std::pair<QString, QString>> indexes; // name, statement
    {
        QSqlQuery query(database);
        if (!query.exec(QStringLiteral("select name, sql from sqlite_master where type = 'index' and sql is not null")))
            return query.lastError().text();
        while (query.next())
            indexes.emplace_back(query.value(0).toString(), query.value(1).toString());
    }
    QString error;
    for (const auto& index : indexes) {
        if (!(error = Run(database, QStringLiteral("DROP INDEX %1").arg(index.first))).isEmpty())
            return error;
    }
    const std::pair<const char*, qint64> tables[] = {
        {kIncidentRows, size.incidents}, {kViolationRows, size.violations}, {kTrafficParamRows, size.trafficParams}};
    for (const auto& table : tables) {
        if (!(error = Run(database, QString::fromUtf8(table.first), table.second)).isEmpty())
            return error;
    }
    for (const auto& index : indexes) {
        if (!withoutIndexes.contains(index.first) && !(error = Run(database, index.second)).isEmpty())
            return error;
    }
    return Run(database, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

} // namespace

qint64 BenchPeriodStart()
{
    return QDateTime(QDate(2026, 9, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
}

QString GenerateBenchData(const QString& path, const BenchDataSize& size, const QStringList& withoutIndexes)
{
    const QString name = QStringLiteral("bench-generator");
    QString error;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(path);
        if (!database.open()) {
            error = database.lastError().text();
        } else {
            Run(database, QStringLiteral("PRAGMA synchronous=OFF"));
            Run(database, QStringLiteral("PRAGMA cache_size=-262144"));
            error = Fill(database, size, withoutIndexes);
            database.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

QString MakeBenchDatabase(const QString& path, double scale, const QStringList& withoutIndexes)
{
    QFile::remove(path);
    {
        DatabaseOperation maker; // makes the file from the schema
        if (!maker.ConnectDatabase(path))
            return QStringLiteral("cannot make %1").arg(path);
    }
    BenchDataSize size;
    size.incidents = static_cast<qint64>(size.incidents * scale);
    size.violations = static_cast<qint64>(size.violations * scale);
    size.trafficParams = static_cast<qint64>(size.trafficParams * scale);
    QElapsedTimer timer;
    timer.start();
    const QString error = GenerateBenchData(path, size, withoutIndexes);
    if (error.isEmpty()) {
        std::printf("generated %lld incidents, %lld violations, %lld traffic-parameter rows in %.1f s (%.0f MB)\n",
                    size.incidents, size.violations, size.trafficParams, timer.elapsed() / 1e3,
                    QFileInfo(path).size() / 1048576.0);
    }
    return error;
}
