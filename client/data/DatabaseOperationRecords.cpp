// Alarm records and the search-box history of DatabaseOperation.
#include "DatabaseOperation.h"

#include "ColumnReader.h"
#include "DatabaseLog.h"
#include "LikePattern.h"
#include "SqlSavepoint.h"
#include "ThreadConnections.h"

#include <QMutexLocker>
#include <QScopedValueRollback>

#include <algorithm>

namespace {

// The ratios are kept to six significant digits, so that the float 0.35 is
// stored as 0.35 and not as its nearest double 0.349999994.
double StoredRatio(float ratio)
{
    return QString::number(static_cast<double>(ratio), 'g', 6).toDouble();
}

const QString kClipTimeFormat = QStringLiteral("yyyyMMddHHmmss");

// Set while this thread stores alarms together: a failed insert leaves the
// connection, and the transaction around it, to StoreAlarmsTogether.
thread_local bool storingTogether = false;

// A connection SQLite opened read-only stays so: the next write opens anew,
// and finds the file writable once someone mended it.
void ReleaseAfterFailure(ThreadConnections& connections)
{
    if (!storingTogether)
        connections.ReleaseCurrentThread();
}

} // namespace

bool DatabaseOperation::InsertIncidentInfo(const TrafficIncident& incident, const AlarmOrigin& origin)
{
    return StoreAlarm("DatabaseOperation::InsertIncidentInfo", origin, [&] { return InsertIncidentRow(incident); });
}

bool DatabaseOperation::InsertIncidentInfo(const TrafficIncident& incident, const AlarmOrigin& origin,
                                           const ClipRequest& clip)
{
    if (!clip.IsValid())
        return InsertIncidentInfo(incident, origin);
    constexpr const char* method = "DatabaseOperation::InsertIncidentInfo";
    if (origin.IsKnown())
        return StoreAlarm(method, origin, [&] { return InsertIncidentRow(incident) && InsertClipRequestRow(clip); });
    // Without an origin the two rows still go together.
    const ThreadConnections::WriteLock lock(*connections);
    SqlSavepoint transaction(connections->ForCurrentThread());
    const bool stored = BeginTransaction(method, transaction) && InsertIncidentRow(incident) &&
                        InsertClipRequestRow(clip) && CommitTransaction(method, transaction);
    if (!stored)
        ReleaseAfterFailure(*connections);
    return stored;
}

bool DatabaseOperation::GetClipRequests(const QString& deviceIp, int devicePort, QList<ClipRequest>& requests)
{
    const ThreadConnections::ReadLock lock(*connections);
    std::optional<QSqlQuery> query = Run("DatabaseOperation::GetClipRequests", "{}, 读取待下载录像失败，失败原因：{}",
                                         QStringLiteral("select file, channel, startTime, endTime from ClipRequest "
                                                        "where deviceIp = ? and devicePort = ? order by rowid"),
                                         {deviceIp, devicePort});
    if (!query)
        return false;
    while (query->next()) {
        ClipRequest request;
        request.file = query->value(0).toString();
        request.deviceIp = deviceIp;
        request.devicePort = devicePort;
        request.channel = query->value(1).toInt();
        request.start = QDateTime::fromString(query->value(2).toString(), kClipTimeFormat);
        request.end = QDateTime::fromString(query->value(3).toString(), kClipTimeFormat);
        requests << request;
    }
    return true;
}

bool DatabaseOperation::FinishClipRequest(const QString& file)
{
    const ThreadConnections::WriteLock lock(*connections);
    return Run("DatabaseOperation::FinishClipRequest", "{}, 删除待下载录像失败，失败原因：{}",
               QStringLiteral("delete from ClipRequest where file = ?"), {file})
        .has_value();
}

bool DatabaseOperation::GiveUpClipRequest(const QString& file)
{
    constexpr const char* method = "DatabaseOperation::GiveUpClipRequest";
    const ThreadConnections::WriteLock lock(*connections);
    SqlSavepoint transaction(connections->ForCurrentThread());
    return BeginTransaction(method, transaction) &&
           Run(method, "{}, 删除待下载录像失败，失败原因：{}", QStringLiteral("delete from ClipRequest where file = ?"),
               {file}) &&
           Run(method, "{}, 清除事件录像路径失败，失败原因：{}",
               QStringLiteral("update incidentInfo set videoPath = '' where videoPath = ?"), {file}) &&
           CommitTransaction(method, transaction);
}

bool DatabaseOperation::InsertForensicsInfo(const TrafficForensics& forensics, const AlarmOrigin& origin)
{
    return StoreAlarm("DatabaseOperation::InsertForensicsInfo", origin, [&] { return InsertForensicsRow(forensics); });
}

bool DatabaseOperation::InsertTrafficParamInfo(const TrafficParam& param)
{
    return InsertTrafficParamInfos({param});
}

bool DatabaseOperation::InsertTrafficParamInfos(const QList<TrafficParam>& params, const AlarmOrigin& origin)
{
    return StoreAlarm("DatabaseOperation::InsertTrafficParamInfo", origin, [&] {
        return std::all_of(params.begin(), params.end(),
                           [&](const TrafficParam& param) { return InsertTrafficParamRow(param); });
    });
}

bool DatabaseOperation::IsAlarmStored(const AlarmOrigin& origin)
{
    if (!origin.IsKnown())
        return false;
    const ThreadConnections::ReadLock lock(*connections);
    const std::optional<quint32> stored = StoredAlarmNumber("DatabaseOperation::IsAlarmStored", origin);
    return stored && *stored >= origin.number;
}

template <class InsertRows>
bool DatabaseOperation::StoreAlarm(const char* method, const AlarmOrigin& origin, InsertRows insertRows)
{
    const ThreadConnections::WriteLock lock(*connections);
    bool stored = false;
    if (!origin.IsKnown()) {
        stored = insertRows();
    } else {
        SqlSavepoint transaction(connections->ForCurrentThread());
        if (BeginTransaction(method, transaction)) {
            const std::optional<quint32> before = StoredAlarmNumber(method, origin);
            if (before && *before >= origin.number)
                return true;
            stored =
                before && insertRows() && RecordAlarmOrigin(method, origin) && CommitTransaction(method, transaction);
        }
    }
    if (!stored)
        ReleaseAfterFailure(*connections);
    return stored;
}

bool DatabaseOperation::StoreAlarmsTogether(const std::function<bool()>& storeAlarms)
{
    constexpr const char* method = "DatabaseOperation::StoreAlarmsTogether";
    const ThreadConnections::WriteLock lock(*connections);
    bool stored = false;
    {
        SqlSavepoint transaction(connections->ForCurrentThread());
        const QScopedValueRollback<bool> together(storingTogether, true);
        stored = BeginTransaction(method, transaction) && storeAlarms() && CommitTransaction(method, transaction);
    }
    if (!stored)
        ReleaseAfterFailure(*connections);
    return stored;
}

std::optional<quint32> DatabaseOperation::StoredAlarmNumber(const char* method, const AlarmOrigin& origin)
{
    std::optional<QSqlQuery> query =
        Run(method, "{}, 读取报警台账失败，失败原因：{}",
            QStringLiteral("select runId, lastNumber from AlarmLedger where device = ?"), {origin.device});
    if (!query)
        return std::nullopt;
    if (!query->next() || query->value(0).toLongLong() != static_cast<qint64>(origin.runId))
        return 0;
    return static_cast<quint32>(query->value(1).toLongLong());
}

bool DatabaseOperation::RecordAlarmOrigin(const char* method, const AlarmOrigin& origin)
{
    // The run id is a random 64-bit number: kept as its signed bit pattern.
    return Run(method, "{}, 写入报警台账失败，失败原因：{}",
               QStringLiteral("insert or replace into AlarmLedger(device, runId, lastNumber) values (?, ?, ?)"),
               {origin.device, static_cast<qint64>(origin.runId), static_cast<qint64>(origin.number)})
        .has_value();
}

bool DatabaseOperation::InsertIncidentRow(const TrafficIncident& incident)
{
    return Run("DatabaseOperation::InsertIncidentInfo", "{}, 插入事件失败，失败原因：{}",
               QStringLiteral("insert into incidentInfo(time, incidentType, deviceIp, channelIp, channelNo, laneNo, "
                              "picPath, videoPath) Values (?, ?, ?, ?, ?, ?, ?, ?)"),
               {incident.time, qint64(incident.incidentType), incident.deviceIp, incident.channelIp,
                qint64(incident.channelNo), qint64(incident.laneNo), incident.picPath, incident.videoPath})
        .has_value();
}

bool DatabaseOperation::InsertClipRequestRow(const ClipRequest& clip)
{
    return Run("DatabaseOperation::InsertIncidentInfo", "{}, 插入待下载录像失败，失败原因：{}",
               QStringLiteral(
                   "insert or replace into ClipRequest(file, deviceIp, devicePort, channel, startTime, endTime) "
                   "values (?, ?, ?, ?, ?, ?)"),
               {clip.file, clip.deviceIp, clip.devicePort, clip.channel, clip.start.toString(kClipTimeFormat),
                clip.end.toString(kClipTimeFormat)})
        .has_value();
}

bool DatabaseOperation::InsertForensicsRow(const TrafficForensics& forensics)
{
    return Run("DatabaseOperation::InsertForensicsInfo", "{}, 插入取证失败，失败原因：{}",
               QStringLiteral("insert into ForensicsInfo(time, violationType, deviceIp, channelIp, channelNo, laneNo, "
                              "plateNo, picPath) Values(?, ?, ?, ?, ?, ?, ?, ?)"),
               {forensics.time, qint64(forensics.violationType), forensics.deviceIp, forensics.channelIp,
                qint64(forensics.channelNo), qint64(forensics.laneNo), forensics.plateNo, forensics.picPath})
        .has_value();
}

bool DatabaseOperation::InsertTrafficParamRow(const TrafficParam& param)
{
    return Run("DatabaseOperation::InsertTrafficParamInfo", "{}, 插入交通参数失败，失败原因：{}",
               QStringLiteral(
                   "insert into TrafficParamInfo(startTime, endTime, channelIp, channelNo, laneNo, laneFlow, "
                   "lightVehicleNum, midVehicleNum, heavyVehicleNum, laneSpeed, spaceHeadWay, timeHeadWay, "
                   "timeRation, spaceRation, queueLength, trafficState, deviceIp) "
                   "Values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {param.startTime, param.endTime, param.channelIp, param.channelNo, param.laneNo, param.laneFlow,
                param.lightVehicleNum, param.midVehicleNum, param.heavyVehicleNum, param.laneSpeed, param.spaceHeadWay,
                param.timeHeadWay, StoredRatio(param.timeRation), StoredRatio(param.spaceRation), param.queueLength,
                param.trafficState, param.deviceIp})
        .has_value();
}

bool DatabaseOperation::InsertSearchRecord(const QString& time, const QString& text)
{
    const ThreadConnections::WriteLock lock(*connections);
    constexpr const char* method = "DatabaseOperation::InsertSearchRecord";
    std::optional<QSqlQuery> known =
        Run(method, "{}, 查询搜索记录内容失败，失败原因：{}",
            QStringLiteral("select searchRecord from searchRecordInfo where searchRecord = ?"), {text});
    if (!known)
        return false;
    bool isKnown = false;
    ColumnReader row(*known);
    while (!isKnown && known->next())
        isKnown = !row.Text("searchRecord").isEmpty();
    if (isKnown) {
        LogError(kDatabaseLogger, "{}, 搜索内容 【{}】 已存在", method, text);
        return Run(method, "{}, 更新 搜索时间 失败，失败原因：{}",
                   QStringLiteral("update searchRecordInfo set time = ? where searchRecord = ?"), {time, text})
            .has_value();
    }
    return Run(method, "{}, 插入 搜索记录内容 失败，失败原因：{}",
               QStringLiteral("insert into searchRecordInfo(time, searchRecord) Values (?, ?)"), {time, text})
        .has_value();
}

bool DatabaseOperation::GetSearchRecord(const QString& fragment, int count, QStringList& texts)
{
    const ThreadConnections::ReadLock lock(*connections);
    std::optional<QSqlQuery> query =
        Run("DatabaseOperation::GetSearchRecord", "{}, 查询搜索记录失败，失败原因：{}",
            QStringLiteral("select time, searchRecord from searchRecordInfo where searchRecord like ? %1 "
                           "order by time DESC, rowid DESC limit ?")
                .arg(QLatin1String(kLikeEscapeClause)),
            {LikeContainsPattern(fragment), count});
    if (!query)
        return false;
    ColumnReader row(*query);
    while (query->next())
        texts.append(row.Text("searchRecord"));
    return true;
}
