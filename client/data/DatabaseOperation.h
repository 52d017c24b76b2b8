#pragma once

#include "AlarmOrigin.h"
#include "ClipRequest.h"
#include "SearchClause.h"

#include "core/SharedRecords.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

class SqlSavepoint;
class ThreadConnections;

// The client's only access to Corvane.db: devices and their channels, the three
// kinds of alarm record, the search-box history and the record searches.
//
// Callable from any thread. Each calling thread gets its own connection to the
// file. The file is in WAL mode: searches read beside the writes, and the
// writing methods run one at a time, so a method's writes never interleave
// with another thread's. Every value is bound as a
// parameter; no user, device or alarm text ever becomes part of the SQL.
// Failures are logged on the logger "DatabaseOperation" and reported as false.
class DatabaseOperation
{
public:
    DatabaseOperation();
    ~DatabaseOperation();

    DatabaseOperation(const DatabaseOperation&) = delete;
    DatabaseOperation& operator=(const DatabaseOperation&) = delete;

    // Opens the database file; a missing or empty file is made from the schema.
    // The file is for its owner only, since it holds device passwords. False,
    // leaving the file untouched, when it is not a database or its tables are
    // not the schema's; false too when the file cannot be made.
    bool ConnectDatabase(const QString& path);
    // Closes the connections of every thread.
    void CloseDatabase();

    // Devices and channels.
    bool AddDeviceInfo(const stu_DeviceInfo& device);
    // The device, its channels and its clip requests still open.
    bool DeleteDeviceInfoByIp(const QString& deviceIp);
    // Writes a device's rows afresh after a login: deletes its device and channel
    // rows, adds the device and each channel, all in one transaction that rolls
    // back as a whole. A channel listed twice is stored once.
    bool ReplaceDeviceInfo(const stu_DeviceInfo& device, const QList<stu_DeviceChannelInfo>& channels);
    // The same for several devices in one transaction, stored in the list's
    // order; each channel belongs to one of the devices (by its deviceIp).
    bool ReplaceDevicesInfo(const QList<stu_DeviceInfo>& devices, const QList<stu_DeviceChannelInfo>& channels);
    bool GetAllDeviceInfo(QList<stu_DeviceInfo>& devices);
    bool GetAllDeviceIp(QStringList& deviceIps);
    bool AddChannelInfo(const stu_DeviceChannelInfo& channel);
    bool GetChannelIpByDevIp(const QString& deviceIp, QStringList& channelIps);

    // Alarm records. With a known origin the rows and the origin's number go
    // into one transaction, and an alarm whose number is stored already is not
    // stored again (reported as stored). After a failed write the thread's
    // connection is opened afresh for the next one, so storing resumes by
    // itself once the file is writable again.
    bool InsertIncidentInfo(const TrafficIncident& incident, const AlarmOrigin& origin = {});
    // The incident row and its clip request in one transaction (no request
    // when `clip` is not valid).
    bool InsertIncidentInfo(const TrafficIncident& incident, const AlarmOrigin& origin, const ClipRequest& clip);
    bool InsertForensicsInfo(const TrafficForensics& forensics, const AlarmOrigin& origin = {});
    bool InsertTrafficParamInfo(const TrafficParam& param);
    // The lanes of one traffic-parameter alarm: all of them or none.
    bool InsertTrafficParamInfos(const QList<TrafficParam>& params, const AlarmOrigin& origin = {});
    // True when the origin's alarm, or a later one of its run, is stored.
    bool IsAlarmStored(const AlarmOrigin& origin);
    // Runs `storeAlarms`, which calls the alarm inserts above on this thread,
    // in one transaction: the alarms that arrived together cost one commit.
    // All of them are stored or none (false when one insert failed).
    bool StoreAlarmsTogether(const std::function<bool()>& storeAlarms);

    // Clip requests of the device at that address and port, oldest first.
    bool GetClipRequests(const QString& deviceIp, int devicePort, QList<ClipRequest>& requests);
    // The clip is on disk: its request goes.
    bool FinishClipRequest(const QString& file);
    // The device can no longer serve the clip: its request goes, and the
    // incident row keeps no clip path.
    bool GiveUpClipRequest(const QString& file);

    // History of the device search box: one row per text, stamped with its last search.
    bool InsertSearchRecord(const QString& time, const QString& text);
    // Up to `count` stored texts containing `fragment` as typed, newest first.
    bool GetSearchRecord(const QString& fragment, int count, QStringList& texts);

    // Record searches, 30 rows a page in the search page. Pages are ordered by
    // time and then by row, so paging over equal times neither repeats nor skips.
    SearchClause GetSearchCondition(em_SearchType kind, const stu_SearchCondition& condition) const;
    // `rowIdBound`, when given, gets the highest row id counted (0 for none).
    bool GetTotalNum(em_SearchType kind, const stu_SearchCondition& condition, int& total,
                     qint64* rowIdBound = nullptr);
    bool GetIncidentInfo(int offset, int count, const stu_SearchCondition& condition,
                         QList<TrafficIncident>& incidents);
    bool GetForensicsInfo(int offset, int count, const stu_SearchCondition& condition,
                          QList<TrafficForensics>& forensics);
    bool GetTrafficParamInfo(int offset, int count, const stu_SearchCondition& condition, QList<TrafficParam>& params);

private:
    enum class AddResult { Added, Exists, Failed };

    bool CreateDatabaseFile(const QString& path, bool existsEmpty);
    void RestrictToOwner(const QString& path);
    bool CheckIsDatabase(const QString& path);
    void EnableWriteAheadLog();
    // Makes the tables added since a file was made.
    void AddMissingTables();
    // Makes the schema's indexes a file lacks.
    void AddMissingIndexes();

    AddResult AddDevice(const stu_DeviceInfo& device);
    AddResult AddChannel(const stu_DeviceChannelInfo& channel);
    bool DeleteDeviceRows(const char* method, const QString& deviceIp);
    bool DropClipRequestsOf(const char* method, const QString& deviceIp);
    bool BeginTransaction(const char* method, const SqlSavepoint& transaction);
    // Runs `insertRows` and records the origin in one transaction, unless the
    // origin's alarm is stored already; without an origin only `insertRows`.
    template <class InsertRows>
    bool StoreAlarm(const char* method, const AlarmOrigin& origin, InsertRows insertRows);
    std::optional<quint32> StoredAlarmNumber(const char* method, const AlarmOrigin& origin);
    bool RecordAlarmOrigin(const char* method, const AlarmOrigin& origin);
    bool InsertIncidentRow(const TrafficIncident& incident);
    bool InsertClipRequestRow(const ClipRequest& clip);
    bool InsertForensicsRow(const TrafficForensics& forensics);
    bool InsertTrafficParamRow(const TrafficParam& param);
    bool CommitTransaction(const char* method, SqlSavepoint& transaction);

    // Runs `sql` with `values` bound in order on the calling thread's connection.
    // On failure logs `failure` (a format taking the method and the error text)
    // unless it is null. The caller holds one of the connections' locks.
    std::optional<QSqlQuery> Run(const char* method, const char* failure, const QString& sql,
                                 const QVariantList& values = {});
    // True when `clause` selects by period alone and the period holds most of
    // the stored rows, which are then quicker counted from outside the period.
    bool MostStoredRowsInPeriod(const SearchClause& clause);
    std::optional<QSqlQuery> RunPage(int offset, int count, const SearchClause& clause, bool fromFarEnd);
    // One page of a search, a record per row made by `readRow`, numbered from offset + 1;
    // `logRead` writes the one log line of a page that had rows.
    template <class Record, class ReadRow, class LogRead>
    bool GetPage(int offset, int count, em_SearchType kind, const stu_SearchCondition& condition,
                 QList<Record>& records, ReadRow readRow, LogRead logRead);

    std::shared_ptr<ThreadConnections> connections;
};
