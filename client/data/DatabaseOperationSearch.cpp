// Record searches of DatabaseOperation: the filter of a search condition, the
// count of its rows and one page of them.
#include "DatabaseOperation.h"

#include "ColumnReader.h"
#include "DatabaseLog.h"
#include "LikePattern.h"
#include "ThreadConnections.h"

#include <QDate>
#include <QDateTime>
#include <QMutexLocker>
#include <QTime>

#include <algorithm>
#include <optional>

namespace {

struct SearchTable
{
    const char* table;
    const char* timeColumn;
    const char* typeColumn; // null: no type filter
    const char* columns;
};

constexpr SearchTable kIncidentTable{"incidentInfo", "time", "incidentType",
                                     "time, incidentType, deviceIp, channelIp, channelNo, laneNo, picPath, videoPath"};
constexpr SearchTable kForensicsTable{"ForensicsInfo", "time", "violationType",
                                      "time, violationType, deviceIp, channelIp, channelNo, laneNo, plateNo, picPath"};
constexpr SearchTable kTrafficParamTable{
    "TrafficParamInfo", "startTime", nullptr,
    "startTime, endTime, deviceIp, channelNo, channelIp, laneNo, laneFlow, lightVehicleNum, midVehicleNum, "
    "heavyVehicleNum, laneSpeed, spaceHeadWay, timeHeadWay, timeRation, spaceRation, queueLength, trafficState"};

const SearchTable* TableOf(em_SearchType kind)
{
    switch (kind) {
    case SEARCH_INCIDENT: return &kIncidentTable;
    case SEARCH_FORENSICS: return &kForensicsTable;
    case SEARCH_TRAFFIC_PARAM: return &kTrafficParamTable;
    }
    return nullptr;
}

// Stored times have 14 digits and the bounds 17 ("yyyyMMddHHmmsszzz"). Compared
// whole, a row stamped at the very second the search starts would sort before
// the bound and be lost; the 14-digit prefixes compare second against second.
QString SecondOf(const std::string& boundary)
{
    return QString::fromStdString(boundary).left(14);
}

void AddTypeFilter(SearchClause& clause, const char* typeColumn, const QList<quint32>& types)
{
    if (!typeColumn || types.isEmpty())
        return;
    QStringList alternatives;
    for (const quint32 type : types) {
        alternatives << QStringLiteral("%1=?").arg(QLatin1String(typeColumn));
        clause.values << qint64(type);
    }
    clause.filter += QStringLiteral(" and (%1)").arg(alternatives.join(QStringLiteral(" or ")));
}

void AddPlaceFilters(SearchClause& clause, const stu_SearchCondition& condition)
{
    if (!condition.deviceIp.empty()) {
        clause.filter += QStringLiteral(" and deviceIp = ?");
        clause.values << QString::fromStdString(condition.deviceIp);
        // A channel address means nothing without its device.
        if (!condition.channelIp.empty()) {
            clause.filter += QStringLiteral(" and channelIp = ?");
            clause.values << QString::fromStdString(condition.channelIp);
        }
    }
    if (condition.laneNo != -1) {
        clause.filter += QStringLiteral(" and laneNo = ?");
        clause.values << condition.laneNo;
    }
    if (condition.channelNo != 0) {
        clause.filter += QStringLiteral(" and channelNo = ?");
        clause.values << condition.channelNo;
    }
}

// A page of a counted search read backwards: `offset` and `count` in the
// reversed order; not used for a page in the first half.
struct FarEndPage
{
    bool used = false;
    int offset = 0;
    int count = 0;
};

FarEndPage FarEndPageOf(int offset, int count, int counted)
{
    FarEndPage page;
    if (counted <= 0 || offset < counted / 2 || offset >= counted)
        return page;
    page.used = true;
    // The rows before the page's end, counted from the far end.
    page.offset = counted - offset - count;
    page.count = count;
    if (page.offset < 0) {
        page.count += page.offset;
        page.offset = 0;
    }
    return page;
}

// Seconds since the epoch of a stored "yyyyMMddHHmmss" time, read as UTC:
// only differences matter. Nothing for a text that is no such time.
std::optional<qint64> SecondsOf(const QString& stamp)
{
    const QDate date = QDate::fromString(stamp.left(8), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(stamp.mid(8, 6), QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}

// Whether the period [start, end] holds more than half of the stored span
// [first, last]. Alarms come at a fairly even pace, so this tells whether
// most rows lie inside; false when a time cannot be read.
bool PeriodHoldsMostOfSpan(const QString& first, const QString& last, const QString& start, const QString& end)
{
    const std::optional<qint64> from = SecondsOf(first);
    const std::optional<qint64> to = SecondsOf(last);
    const std::optional<qint64> begin = SecondsOf(start);
    const std::optional<qint64> finish = SecondsOf(end);
    if (!from || !to || !begin || !finish || *begin > *finish)
        return false;
    const qint64 inside = std::min(*to, *finish) - std::max(*from, *begin);
    if (*to == *from)
        return inside == 0; // one stored second, inside the period or not
    return inside * 2 > *to - *from;
}

} // namespace

SearchClause DatabaseOperation::GetSearchCondition(em_SearchType kind, const stu_SearchCondition& condition) const
{
    SearchClause clause;
    const SearchTable* table = TableOf(kind);
    if (!table)
        return clause;
    const QLatin1String timeColumn(table->timeColumn);
    clause.columns = QLatin1String(table->columns);
    clause.filter = QStringLiteral("%1 where %2 >= ? and %2 <= ?").arg(QLatin1String(table->table), timeColumn);
    clause.values << SecondOf(condition.startTime) << SecondOf(condition.endTime);
    clause.table = QLatin1String(table->table);
    clause.timeColumn = timeColumn;
    AddTypeFilter(clause, table->typeColumn, condition.types);
    AddPlaceFilters(clause, condition);
    if (kind == SEARCH_FORENSICS && !condition.plateNo.empty()) {
        clause.filter += QStringLiteral(" and plateNo like ? %1").arg(QLatin1String(kLikeEscapeClause));
        clause.values << LikeContainsPattern(QString::fromStdString(condition.plateNo));
    }
    clause.periodOnly = clause.values.size() == 2;
    if (condition.rowIdBound > 0) {
        clause.filter += QStringLiteral(" and rowid <= ?");
        clause.values << condition.rowIdBound;
    }
    // The row id breaks ties between equal times, so pages never overlap.
    clause.order = QStringLiteral("order by %1 ASC, rowid ASC").arg(timeColumn);
    clause.reverseOrder = QStringLiteral("order by %1 DESC, rowid DESC").arg(timeColumn);
    return clause;
}

bool DatabaseOperation::GetTotalNum(em_SearchType kind, const stu_SearchCondition& condition, int& total,
                                    qint64* rowIdBound)
{
    const ThreadConnections::ReadLock lock(*connections);
    constexpr const char* method = "DatabaseOperation::GetTotalNum";
    const SearchClause clause = GetSearchCondition(kind, condition);
    constexpr const char* failure = "{}, 获取总数失败，失败原因：{}";
    std::optional<QSqlQuery> query;
    if (MostStoredRowsInPeriod(clause)) {
        QVariantList values;
        if (condition.rowIdBound > 0)
            values << condition.rowIdBound;
        values << clause.values.at(0) << clause.values.at(1);
        query = Run(method, failure, clause.CountOutsideStatement(condition.rowIdBound > 0), values);
    } else {
        query = Run(method, failure, clause.CountStatement(), clause.values);
    }
    if (!query)
        return false;
    ColumnReader row(*query);
    if (query->next()) {
        total = row.Int("Num");
        if (rowIdBound)
            *rowIdBound = query->value(QStringLiteral("Bound")).toLongLong();
        LogInfo(kDatabaseLogger, "{}, 获取总数成功，总数为{}", method, total);
    }
    return true;
}

bool DatabaseOperation::MostStoredRowsInPeriod(const SearchClause& clause)
{
    if (!clause.periodOnly)
        return false;
    // A failure here only costs the quicker count; the count reports its own.
    std::optional<QSqlQuery> query =
        Run("DatabaseOperation::MostStoredRowsInPeriod", nullptr, clause.StoredPeriodStatement());
    if (!query || !query->next())
        return false;
    return PeriodHoldsMostOfSpan(query->value(0).toString(), query->value(1).toString(), clause.values.at(0).toString(),
                                 clause.values.at(1).toString());
}

std::optional<QSqlQuery> DatabaseOperation::RunPage(int offset, int count, const SearchClause& clause, bool fromFarEnd)
{
    if (clause.IsEmpty())
        return std::nullopt;
    QVariantList values = clause.values;
    values << count << offset;
    // The search page logs a failed page itself.
    return Run("DatabaseOperation::RunPage", nullptr, clause.PageStatement(fromFarEnd), values);
}

template <class Record, class ReadRow, class LogRead>
bool DatabaseOperation::GetPage(int offset, int count, em_SearchType kind, const stu_SearchCondition& condition,
                                QList<Record>& records, ReadRow readRow, LogRead logRead)
{
    const ThreadConnections::ReadLock lock(*connections);
    // A skipped row still costs a step through the index: a page in the second
    // half is read backwards from the far end, where fewer rows lie before it.
    const FarEndPage farEnd = FarEndPageOf(offset, count, condition.counted);
    const SearchClause clause = GetSearchCondition(kind, condition);
    std::optional<QSqlQuery> query =
        farEnd.used ? RunPage(farEnd.offset, farEnd.count, clause, true) : RunPage(offset, count, clause, false);
    if (!query)
        return false;
    ColumnReader row(*query);
    QList<Record> page;
    while (query->next())
        page.append(readRow(row));
    if (farEnd.used)
        std::reverse(page.begin(), page.end());
    const bool anyRow = !page.isEmpty();
    for (int position = 0; position < page.size(); ++position) {
        page[position].rowNo = offset + position + 1;
        records.append(page[position]);
    }
    // One line for the page, not one per row: a page of thirty rows, paged
    // through often, would otherwise fill the log files with the same line.
    if (anyRow)
        logRead(*LoggerFor(kDatabaseLogger));
    return true;
}

bool DatabaseOperation::GetIncidentInfo(int offset, int count, const stu_SearchCondition& condition,
                                        QList<TrafficIncident>& incidents)
{
    const auto readRow = [](ColumnReader& row) {
        TrafficIncident incident;
        incident.time = row.Text("time");
        incident.incidentType = row.UInt("incidentType");
        incident.deviceIp = row.Text("deviceIp");
        incident.channelIp = row.Text("channelIp");
        incident.channelNo = row.UInt("channelNo");
        incident.laneNo = row.UInt("laneNo");
        incident.picPath = row.Text("picPath");
        incident.videoPath = row.Text("videoPath");
        return incident;
    };
    const auto logRead = [count](spdlog::logger& log) {
        log.info("{}, 获取事件成功，总数为{}", "DatabaseOperation::GetIncidentInfo", count);
    };
    return GetPage(offset, count, SEARCH_INCIDENT, condition, incidents, readRow, logRead);
}

bool DatabaseOperation::GetForensicsInfo(int offset, int count, const stu_SearchCondition& condition,
                                         QList<TrafficForensics>& forensics)
{
    const auto readRow = [](ColumnReader& row) {
        TrafficForensics record;
        record.time = row.Text("time");
        record.violationType = row.UInt("violationType");
        record.deviceIp = row.Text("deviceIp");
        record.channelIp = row.Text("channelIp");
        record.channelNo = row.UInt("channelNo");
        record.laneNo = row.UInt("laneNo");
        record.plateNo = row.Text("plateNo");
        record.picPath = row.Text("picPath");
        return record;
    };
    const auto logRead = [](spdlog::logger& log) {
        log.info("{}, 获取取证成功", "DatabaseOperation::GetForensicsInfo");
    };
    return GetPage(offset, count, SEARCH_FORENSICS, condition, forensics, readRow, logRead);
}

bool DatabaseOperation::GetTrafficParamInfo(int offset, int count, const stu_SearchCondition& condition,
                                            QList<TrafficParam>& params)
{
    const auto readRow = [](ColumnReader& row) {
        TrafficParam param;
        param.startTime = row.Text("startTime");
        param.endTime = row.Text("endTime");
        param.deviceIp = row.Text("deviceIp");
        param.channelNo = row.Int("channelNo");
        param.channelIp = row.Text("channelIp");
        param.laneNo = row.Int("laneNo");
        param.laneFlow = row.Int("laneFlow");
        param.lightVehicleNum = row.Int("lightVehicleNum");
        param.midVehicleNum = row.Int("midVehicleNum");
        param.heavyVehicleNum = row.Int("heavyVehicleNum");
        param.laneSpeed = row.Int("laneSpeed");
        param.spaceHeadWay = row.Int("spaceHeadWay");
        param.timeHeadWay = row.Int("timeHeadWay");
        param.timeRation = row.Float("timeRation");
        param.spaceRation = row.Float("spaceRation");
        param.queueLength = row.Int("queueLength");
        param.trafficState = row.Int("trafficState");
        return param;
    };
    const auto logRead = [](spdlog::logger& log) {
        log.info("{}, 查询交通参数成功", "DatabaseOperation::GetTrafficParamInfo");
    };
    return GetPage(offset, count, SEARCH_TRAFFIC_PARAM, condition, params, readRow, logRead);
}
