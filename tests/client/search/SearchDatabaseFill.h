#pragma once

// Fills a Corvane.db with many incidents at once, for the searches that must
// take a while (paging, the busy indicator, closing during a search).

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace SearchDatabaseFill {

// `count` incidents of type 1 on `deviceIp`, one second apart from `start`,
// in one transaction on a connection of its own. False when any step fails.
inline bool InsertIncidents(const QString& databasePath, int count, const QString& deviceIp, const QDateTime& start)
{
    const QString connection = QStringLiteral("search-fill");
    bool ok = false;
    {
        QSqlDatabase bulk = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        bulk.setDatabaseName(databasePath);
        ok = bulk.open() && bulk.transaction();
        QSqlQuery insert(bulk);
        ok = ok && insert.prepare(QStringLiteral(
                       "insert into incidentInfo(time, incidentType, deviceIp, channelIp, channelNo, laneNo, picPath, "
                       "videoPath) values (?, 1, ?, '', 1, 1, '', '')"));
        for (int i = 0; ok && i < count; ++i) {
            insert.addBindValue(start.addSecs(i).toString(QStringLiteral("yyyyMMddHHmmss")));
            insert.addBindValue(deviceIp);
            ok = insert.exec();
        }
        ok = ok && bulk.commit();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace SearchDatabaseFill
