#include "DatabaseOperation.h"

#include "ColumnReader.h"
#include "DatabaseLog.h"
#include "DatabaseSchema.h"
#include "SqlSavepoint.h"
#include "ThreadConnections.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

namespace {

sqlite3* SqliteHandle(const QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.data());
}

// Runs the whole schema script, all or nothing.
QString RunSchema(const QSqlDatabase& database)
{
    sqlite3* handle = SqliteHandle(database);
    if (!handle)
        return QStringLiteral("no SQLite handle");
    const std::string script = std::string("BEGIN;\n") + kDatabaseSchemaSql + "\nCOMMIT;";
    char* message = nullptr;
    if (sqlite3_exec(handle, script.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return QString();
    const QString error = QString::fromUtf8(message);
    sqlite3_free(message);
    sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    return error;
}

// Every table but SQLite's own, with its columns as "name TYPE" in order.
using TableShapes = QMap<QString, QStringList>;

TableShapes ShapesOf(sqlite3* handle)
{
    TableShapes shapes;
    sqlite3_stmt* tables = nullptr;
    sqlite3_stmt* columns = nullptr;
    sqlite3_prepare_v2(handle,
                       "select name from sqlite_master where type = 'table' and name not like 'sqlite\\_%' escape '\\'",
                       -1, &tables, nullptr);
    sqlite3_prepare_v2(handle, "select name, upper(type) from pragma_table_info(?)", -1, &columns, nullptr);
    while (tables && columns && sqlite3_step(tables) == SQLITE_ROW) {
        const QString table = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)));
        QStringList& shape = shapes[table];
        sqlite3_bind_text(columns, 1, reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)), -1,
                          SQLITE_TRANSIENT);
        while (sqlite3_step(columns) == SQLITE_ROW)
            shape << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(columns, 0))) + ' ' +
                         QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(columns, 1)));
        sqlite3_reset(columns);
    }
    sqlite3_finalize(tables);
    sqlite3_finalize(columns);
    return shapes;
}

// Every index (or table) by name with the statement that makes it (SQLite
// keeps the statement without an "IF NOT EXISTS").
using IndexStatements = QMap<QString, QString>;

IndexStatements StatementsOf(sqlite3* handle, const char* type)
{
    IndexStatements statements;
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(handle, "select name, sql from sqlite_master where type = ? and sql is not null", -1, &query,
                       nullptr);
    if (query)
        sqlite3_bind_text(query, 1, type, -1, SQLITE_STATIC);
    while (query && sqlite3_step(query) == SQLITE_ROW)
        statements.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0))),
                          QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 1))));
    sqlite3_finalize(query);
    return statements;
}

IndexStatements IndexesOf(sqlite3* handle)
{
    return StatementsOf(handle, "index");
}

// Tables newer than the files already in use: a file without them is still the
// client's, and opening it adds them (a read-only file goes on without them).
const QStringList kTablesAddedAtOpen = {QStringLiteral("AlarmLedger"), QStringLiteral("ClipRequest")};

// The tables and indexes the schema script makes, read from a database built in memory.
struct SchemaObjects
{
    TableShapes tables;
    IndexStatements tableStatements;
    IndexStatements indexes;
};

const SchemaObjects& Schema()
{
    static const SchemaObjects schema = [] {
        sqlite3* memory = nullptr;
        SchemaObjects made;
        if (sqlite3_open(":memory:", &memory) == SQLITE_OK &&
            sqlite3_exec(memory, kDatabaseSchemaSql, nullptr, nullptr, nullptr) == SQLITE_OK) {
            made.tables = ShapesOf(memory);
            made.tableStatements = StatementsOf(memory, "table");
            made.indexes = IndexesOf(memory);
        }
        sqlite3_close(memory);
        return made;
    }();
    return schema;
}

// Empty when the file holds the schema's tables as the schema makes them; else
// which ones differ. Tables of its own (a site's notes, a tool's bookkeeping)
// harm nothing and stay.
QString SchemaDifference(sqlite3* handle)
{
    const TableShapes& expected = Schema().tables;
    const TableShapes found = ShapesOf(handle);
    QStringList differences;
    for (auto table = expected.cbegin(); table != expected.cend(); ++table) {
        if (!found.contains(table.key())) {
            if (!kTablesAddedAtOpen.contains(table.key()))
                differences << QStringLiteral("missing table %1").arg(table.key());
        } else if (found.value(table.key()) != table.value())
            differences
                << QStringLiteral("columns of %1 are (%2)").arg(table.key(), found.value(table.key()).join(", "));
    }
    if (expected.isEmpty())
        differences << QStringLiteral("the schema could not be read");
    return differences.isEmpty() ? QString()
                                 : QStringLiteral("tables differ from the schema: ") + differences.join("; ");
}

// A zero-byte file holds no database, only the name of one: it is made like a
// missing file. Not when a write-ahead log beside it may hold the content.
bool IsEmptyDatabaseFile(const QFileInfo& file)
{
    const QFileInfo log(file.filePath() + QStringLiteral("-wal"));
    return file.isFile() && file.size() == 0 && (!log.exists() || log.size() == 0);
}

} // namespace

DatabaseOperation::DatabaseOperation() : connections(ThreadConnections::Create())
{
}

DatabaseOperation::~DatabaseOperation()
{
    CloseDatabase();
}

bool DatabaseOperation::ConnectDatabase(const QString& path)
{
    const ThreadConnections::ExclusiveLock lock(*connections);
    connections->CloseAll();
    const QFileInfo file(path);
    const bool make = !file.exists() || IsEmptyDatabaseFile(file);
    if (make && !CreateDatabaseFile(path, file.exists()))
        return false;
    // The check only reads: a refused file is left exactly as it was.
    if (!CheckIsDatabase(path))
        return false;
    if (!make)
        RestrictToOwner(path);
    EnableWriteAheadLog();
    AddMissingTables();
    AddMissingIndexes();
    return true;
}

void DatabaseOperation::RestrictToOwner(const QString& path)
{
    // The file holds device passwords. Group and others lose every right; the
    // owner keeps his own, so a file made read-only stays read-only.
    QFile file(path);
    const QFileDevice::Permissions owner =
        file.permissions() & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (file.permissions() != owner && !file.setPermissions(owner))
        LogWarn(kDatabaseLogger, "{}, 无法将数据库文件{}设为仅所有者可访问，失败原因：{}",
                "DatabaseOperation::ConnectDatabase", path, file.errorString());
}

bool DatabaseOperation::CreateDatabaseFile(const QString& path, bool existsEmpty)
{
    constexpr const char* method = "DatabaseOperation::ConnectDatabase";
    QFile file(path);
    // Owner-only before the first byte is written: the file holds passwords.
    if (!file.open(existsEmpty ? QIODevice::WriteOnly | QIODevice::Append
                               : QIODevice::WriteOnly | QIODevice::NewOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        LogError(kDatabaseLogger, "{}, 创建数据库文件{}失败，失败原因：{}", method, path, file.errorString());
        return false;
    }
    file.close();

    connections->SetPath(path);
    QString error;
    {
        const QSqlDatabase database = connections->ForCurrentThread();
        error = database.isOpen() ? RunSchema(database) : connections->OpenError();
    }
    if (!error.isEmpty()) {
        connections->CloseAll();
        if (!existsEmpty)
            QFile::remove(path);
        LogError(kDatabaseLogger, "{}, 创建数据库{}失败，失败原因：{}", method, path, error);
        return false;
    }
    if (existsEmpty)
        LogWarn(kDatabaseLogger, "{}, 数据库文件{}为空，已按表结构新建", method, path);
    else
        LogWarn(kDatabaseLogger, "{}, 数据库文件{}不存在，已按表结构新建", method, path);
    return true;
}

bool DatabaseOperation::CheckIsDatabase(const QString& path)
{
    connections->SetPath(path);
    QString error;
    {
        // Opening never reads the file; the first statement does, and fails on
        // a file that is not a database.
        const QSqlDatabase database = connections->ForCurrentThread();
        if (!database.isOpen()) {
            error = connections->OpenError();
        } else {
            QSqlQuery probe(database);
            if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
                error = probe.lastError().text();
            else if (sqlite3* handle = SqliteHandle(database))
                error = SchemaDifference(handle);
        }
    }
    if (error.isEmpty())
        return true;
    connections->CloseAll();
    LogError("Corvane", "{}, Corvane.db open failed,{}", "DatabaseOperation::ConnectDatabase", error);
    return false;
}

void DatabaseOperation::EnableWriteAheadLog()
{
    // Lets readers and the writer work side by side at the file level. A read-only
    // file keeps its journal mode and still serves searches.
    Run("DatabaseOperation::ConnectDatabase", "{}, 无法切换到WAL日志模式，失败原因：{}",
        QStringLiteral("PRAGMA journal_mode=WAL"));
}

void DatabaseOperation::AddMissingTables()
{
    constexpr const char* method = "DatabaseOperation::ConnectDatabase";
    sqlite3* handle = SqliteHandle(connections->ForCurrentThread());
    if (!handle)
        return;
    const TableShapes present = ShapesOf(handle);
    for (const QString& table : kTablesAddedAtOpen) {
        if (present.contains(table))
            continue;
        LogWarn(kDatabaseLogger, "{}, 数据库缺少表{}，正在建立", method, table);
        Run(method, "{}, 建立表失败，失败原因：{}", Schema().tableStatements.value(table));
    }
}

void DatabaseOperation::AddMissingIndexes()
{
    // A file made by an earlier client lacks the indexes added since. Searches
    // work without them, only slower, so a file that cannot take one (read-only)
    // is still used. Building an index over years of rows takes a while, once.
    constexpr const char* method = "DatabaseOperation::ConnectDatabase";
    sqlite3* handle = SqliteHandle(connections->ForCurrentThread());
    if (!handle)
        return;
    const IndexStatements present = IndexesOf(handle);
    const IndexStatements& wanted = Schema().indexes;
    for (auto index = wanted.cbegin(); index != wanted.cend(); ++index) {
        if (present.contains(index.key()))
            continue;
        LogWarn(kDatabaseLogger, "{}, 数据库缺少索引{}，正在建立", method, index.key());
        QString statement = index.value();
        statement.replace(
            QRegularExpression(QStringLiteral("^CREATE INDEX "), QRegularExpression::CaseInsensitiveOption),
            QStringLiteral("CREATE INDEX IF NOT EXISTS "));
        Run(method, "{}, 建立索引失败，失败原因：{}", statement);
    }
}

void DatabaseOperation::CloseDatabase()
{
    const ThreadConnections::ExclusiveLock lock(*connections);
    connections->CloseAll();
}

std::optional<QSqlQuery> DatabaseOperation::Run(const char* method, const char* failure, const QString& sql,
                                                const QVariantList& values)
{
    const QSqlDatabase database = connections->ForCurrentThread();
    if (!database.isOpen()) {
        if (failure)
            LogError(kDatabaseLogger, failure, method, connections->OpenError());
        return std::nullopt;
    }
    QSqlQuery query(database);
    query.setForwardOnly(true);
    bool ran = query.prepare(sql);
    if (ran) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        ran = query.exec();
    }
    if (!ran) {
        if (failure)
            LogError(kDatabaseLogger, failure, method, query.lastError().text());
        return std::nullopt;
    }
    return query;
}

bool DatabaseOperation::AddDeviceInfo(const stu_DeviceInfo& device)
{
    const ThreadConnections::WriteLock lock(*connections);
    return AddDevice(device) == AddResult::Added;
}

DatabaseOperation::AddResult DatabaseOperation::AddDevice(const stu_DeviceInfo& device)
{
    constexpr const char* method = "DatabaseOperation::AddDeviceInfo";
    const QVariantList values{device.deviceName, device.deviceIp, device.devicePort, device.userName, device.password};
    std::optional<QSqlQuery> existing =
        Run(method, "{}, 查询设备失败，失败原因：{}",
            QStringLiteral("select deviceIp from DeviceInfo where deviceName = ? and deviceIp = ? and devicePort = ? "
                           "and userName = ? and password = ?"),
            values);
    if (!existing)
        return AddResult::Failed;
    ColumnReader row(*existing);
    while (existing->next()) {
        if (!row.Text("deviceIp").isEmpty()) {
            LogError(kDatabaseLogger, "{}, {}已存在", method, device.deviceIp);
            return AddResult::Exists;
        }
    }
    const bool added =
        Run(method, "{}, 添加设备失败，失败原因：{}",
            QStringLiteral("insert into DeviceInfo(deviceName, deviceIp, devicePort, userName, password) "
                           "Values (?, ?, ?, ?, ?)"),
            values)
            .has_value();
    return added ? AddResult::Added : AddResult::Failed;
}

bool DatabaseOperation::DeleteDeviceInfoByIp(const QString& deviceIp)
{
    const ThreadConnections::WriteLock lock(*connections);
    constexpr const char* method = "DatabaseOperation::DeleteDeviceInfoByIp";
    // A device without its channels, or channels without their device, would
    // be left behind by a half-done delete; both go or neither does.
    SqlSavepoint transaction(connections->ForCurrentThread());
    return BeginTransaction(method, transaction) && DeleteDeviceRows(method, deviceIp) &&
           DropClipRequestsOf(method, deviceIp) && CommitTransaction(method, transaction);
}

bool DatabaseOperation::DropClipRequestsOf(const char* method, const QString& deviceIp)
{
    // Nobody will fetch the clips of a device the operator removed: their
    // incidents keep no clip path, and the requests go.
    return Run(method, "{}, 清除事件录像路径失败，失败原因：{}",
               QStringLiteral("update incidentInfo set videoPath = '' where videoPath in "
                              "(select file from ClipRequest where deviceIp = ?)"),
               {deviceIp}) &&
           Run(method, "{}, 删除待下载录像失败，失败原因：{}",
               QStringLiteral("delete from ClipRequest where deviceIp = ?"), {deviceIp});
}

bool DatabaseOperation::BeginTransaction(const char* method, const SqlSavepoint& transaction)
{
    if (transaction.IsOpen())
        return true;
    const QString error = transaction.LastError().text();
    LogError(kDatabaseLogger, "{}, 开启事务失败，失败原因：{}", method,
             error.trimmed().isEmpty() ? connections->OpenError() : error);
    return false;
}

bool DatabaseOperation::CommitTransaction(const char* method, SqlSavepoint& transaction)
{
    if (transaction.Commit())
        return true;
    LogError(kDatabaseLogger, "{}, 提交事务失败，失败原因：{}", method, transaction.LastError().text());
    return false;
}

bool DatabaseOperation::DeleteDeviceRows(const char* method, const QString& deviceIp)
{
    return Run(method, "{}, 删除设备失败，失败原因：{}", QStringLiteral("delete from DeviceInfo where deviceIp = ?"),
               {deviceIp}) &&
           Run(method, "{}, 删除通道失败，失败原因：{}", QStringLiteral("delete from ChannelInfo where deviceIp = ?"),
               {deviceIp});
}

bool DatabaseOperation::ReplaceDeviceInfo(const stu_DeviceInfo& device, const QList<stu_DeviceChannelInfo>& channels)
{
    return ReplaceDevicesInfo({device}, channels);
}

bool DatabaseOperation::ReplaceDevicesInfo(const QList<stu_DeviceInfo>& devices,
                                           const QList<stu_DeviceChannelInfo>& channels)
{
    const ThreadConnections::WriteLock lock(*connections);
    constexpr const char* method = "DatabaseOperation::ReplaceDeviceInfo";
    SqlSavepoint transaction(connections->ForCurrentThread());
    if (!BeginTransaction(method, transaction))
        return false;
    QSet<QString> replaced;
    for (const stu_DeviceInfo& device : devices) {
        if (!DeleteDeviceRows(method, device.deviceIp) || AddDevice(device) != AddResult::Added)
            return false;
        replaced.insert(device.deviceIp);
    }
    for (const stu_DeviceChannelInfo& channel : channels) {
        // A camera of a device not written here would stand without its device.
        if (!replaced.contains(channel.deviceIp)) {
            LogError(kDatabaseLogger, "{}, 通道{}的设备{}不在其中", method, channel.channelIp, channel.deviceIp);
            return false;
        }
        if (AddChannel(channel) == AddResult::Failed)
            return false;
    }
    return CommitTransaction(method, transaction);
}

bool DatabaseOperation::GetAllDeviceInfo(QList<stu_DeviceInfo>& devices)
{
    const ThreadConnections::ReadLock lock(*connections);
    std::optional<QSqlQuery> query =
        Run("DatabaseOperation::GetAllDeviceInfo", "{}, 获取设备ip失败，失败原因：{}",
            QStringLiteral("select deviceName, deviceIp, devicePort, userName, password from DeviceInfo"));
    if (!query)
        return false;
    ColumnReader row(*query);
    while (query->next()) {
        stu_DeviceInfo device;
        device.deviceName = row.Text("deviceName");
        device.deviceIp = row.Text("deviceIp");
        device.devicePort = row.Int("devicePort");
        device.userName = row.Text("userName");
        device.password = row.Text("password");
        devices.append(device);
    }
    return true;
}

bool DatabaseOperation::GetAllDeviceIp(QStringList& deviceIps)
{
    const ThreadConnections::ReadLock lock(*connections);
    std::optional<QSqlQuery> query = Run("DatabaseOperation::GetAllDeviceIp", "{}, 获取设备ip失败，失败原因：{}",
                                         QStringLiteral("select deviceIp from DeviceInfo"));
    if (!query)
        return false;
    ColumnReader row(*query);
    while (query->next())
        deviceIps.append(row.Text("deviceIp"));
    return true;
}

bool DatabaseOperation::AddChannelInfo(const stu_DeviceChannelInfo& channel)
{
    const ThreadConnections::WriteLock lock(*connections);
    return AddChannel(channel) == AddResult::Added;
}

DatabaseOperation::AddResult DatabaseOperation::AddChannel(const stu_DeviceChannelInfo& channel)
{
    constexpr const char* method = "DatabaseOperation::AddChannelInfo";
    std::optional<QSqlQuery> existing = Run(
        method, "{}, 获取设备通道失败，失败原因：{}",
        QStringLiteral("select deviceIp, channelIp, channelPort from ChannelInfo where deviceIp = ? and channelIp = ?"),
        {channel.deviceIp, channel.channelIp});
    if (!existing)
        return AddResult::Failed;
    // Only the same addresses on the same port count as the same channel.
    ColumnReader row(*existing);
    while (existing->next()) {
        const QString deviceIp = row.Text("deviceIp");
        const QString channelIp = row.Text("channelIp");
        const int channelPort = row.Int("channelPort");
        if (!deviceIp.isEmpty() && channelIp == channel.channelIp && channelPort == channel.channelPort) {
            LogError(kDatabaseLogger, "{}, 设备:{}，通道:{}, 端口:{}已存在", method, deviceIp, channelIp, channelPort);
            return AddResult::Exists;
        }
    }
    const bool added =
        Run(method, "{}, 插入通道失败，失败原因：{}",
            QStringLiteral("insert into ChannelInfo(deviceIp, channelNo, channelIp, channelPort, userName, password) "
                           "Values (?, ?, ?, ?, ?, ?)"),
            {channel.deviceIp, channel.channelNo, channel.channelIp, channel.channelPort, channel.userName,
             channel.password})
            .has_value();
    return added ? AddResult::Added : AddResult::Failed;
}

bool DatabaseOperation::GetChannelIpByDevIp(const QString& deviceIp, QStringList& channelIps)
{
    const ThreadConnections::ReadLock lock(*connections);
    std::optional<QSqlQuery> query =
        Run("DatabaseOperation::GetChannelIpByDevIp", "{}, 获取通道失败，失败原因：{}",
            QStringLiteral("select channelIp from ChannelInfo where deviceIp = ?"), {deviceIp});
    if (!query)
        return false;
    ColumnReader row(*query);
    while (query->next())
        channelIps.append(row.Text("channelIp"));
    return true;
}
