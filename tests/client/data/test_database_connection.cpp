// Opening Corvane.db in the states a user's folder can hold it (missing, not a
// database, read-only, locked by another process) and using it from several
// threads at once.
#include "DatabaseTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QtConcurrent>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

namespace {

::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Answers of one statement (its `column`) through a connection of the test's own.
QStringList Query(const QString& path, const QString& sql, int column = 0)
{
    const QString name = QStringLiteral("test-reader");
    QStringList rows;
    {
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        reader.setDatabaseName(path);
        if (reader.open()) {
            QSqlQuery query(reader);
            if (query.exec(sql))
                while (query.next())
                    rows << query.value(column).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

const QStringList kTables{QStringLiteral("AlarmLedger"),   QStringLiteral("ChannelInfo"),
                          QStringLiteral("ClipRequest"),   QStringLiteral("DeviceInfo"),
                          QStringLiteral("ForensicsInfo"), QStringLiteral("TrafficParamInfo"),
                          QStringLiteral("incidentInfo"),  QStringLiteral("searchRecordInfo")};

QStringList Tables(const QString& path)
{
    QStringList tables = Query(path, QStringLiteral("select name from sqlite_master where type = 'table'"));
    tables.sort();
    return tables;
}

mode_t Mode(const QString& path)
{
    struct stat status
    { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & 0777) : 0;
}

TrafficIncident Incident(const QString& deviceIp, int i)
{
    return MakeIncident(QStringLiteral("20261201080000"), 1, deviceIp, QStringLiteral("10.0.1.1"), 1, 0,
                        QString::number(i));
}

int Total(DatabaseOperation& database, const QString& deviceIp = QString())
{
    stu_SearchCondition condition = WholeRange();
    condition.deviceIp = deviceIp.toStdString();
    int total = -1;
    return database.GetTotalNum(SEARCH_INCIDENT, condition, total) ? total : -1;
}

class Opening : public ::testing::Test
{
protected:
    QString PathOf(const QString& name) const { return folder.filePath(name); }
    // The file read-only for everyone, in a folder where anyone may make the journal.
    void MakeReadOnly(const QString& path)
    {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);
    }

    QTemporaryDir folder;
    DatabaseOperation database;
};

TEST_F(Opening, MissingFileIsMadeFromTheSchemaForTheOwnerOnly)
{
    LogCapture log("DatabaseOperation");
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    ASSERT_TRUE(database.ConnectDatabase(path));
    EXPECT_TRUE(log.Contains("DatabaseOperation::ConnectDatabase, 数据库文件" + path.toStdString() + "不存在"));
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Tables(path), kTables);
    EXPECT_EQ(Query(path, QStringLiteral("PRAGMA journal_mode")), QStringList{QStringLiteral("wal")});
    EXPECT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    EXPECT_EQ(Total(database), 1);
}

TEST_F(Opening, FileInAMissingFolderIsAFailure)
{
    LogCapture log("DatabaseOperation");
    EXPECT_FALSE(database.ConnectDatabase(PathOf(QStringLiteral("absent/Corvane.db"))));
    EXPECT_TRUE(log.Contains("创建数据库文件"));
    EXPECT_FALSE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
}

TEST_F(Opening, FileThatIsNotADatabaseIsRefusedAndKept)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    const QByteArray text = QByteArray("These are notes, not a database.\n").repeated(200);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    LogCapture connectLog("Corvane");
    EXPECT_FALSE(database.ConnectDatabase(path));
    EXPECT_TRUE(
        connectLog.Contains("DatabaseOperation::ConnectDatabase, Corvane.db open failed,file is not a database"));

    LogCapture statementLog("DatabaseOperation");
    EXPECT_FALSE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    EXPECT_TRUE(
        statementLog.Contains("DatabaseOperation::InsertIncidentInfo, 插入事件失败，失败原因：database is not open"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), text);
}

TEST_F(Opening, EmptyFileIsMadeFromTheSchemaForTheOwnerOnly)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    LogCapture log("DatabaseOperation");
    ASSERT_TRUE(database.ConnectDatabase(path));
    EXPECT_TRUE(log.Contains("DatabaseOperation::ConnectDatabase, 数据库文件" + path.toStdString() + "为空"));
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Tables(path), kTables);
    EXPECT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    EXPECT_EQ(Total(database), 1);
}

TEST_F(Opening, ExistingFileBecomesTheOwnersOnly)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    ASSERT_TRUE(database.ConnectDatabase(path));
    database.CloseDatabase();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0664), 0);
    ASSERT_TRUE(database.ConnectDatabase(path));
    EXPECT_EQ(Mode(path), 0600u);
}

// `sql` with its placeholders replaced by `values`, for EXPLAIN in a connection
// of the test's own.
QString WithValues(QString sql, const QVariantList& values)
{
    for (const QVariant& value : values) {
        const QString text =
            value.type() == QVariant::String ? QStringLiteral("'%1'").arg(value.toString()) : value.toString();
        sql.replace(sql.indexOf(QLatin1Char('?')), 1, text);
    }
    return sql;
}

// A file an earlier client made: the schema without the type index, some rows.
void MakeFileWithoutTypeIndex(DatabaseOperation& database, const QString& path)
{
    ASSERT_TRUE(database.ConnectDatabase(path));
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(database.InsertIncidentInfo(
            MakeIncident(QStringLiteral("202612010800%1").arg(i % 60, 2, 10, QLatin1Char('0')), i % 4 == 0 ? 260 : 1,
                         QStringLiteral("10.0.0.1"), QStringLiteral("10.0.1.1"), 1, 0, QString::number(i))));
    }
    database.CloseDatabase();
    ASSERT_TRUE(Change(path, {QStringLiteral("drop index incidentInfo_type_time")}));
}

const QString kTypeIndexQuery =
    QStringLiteral("select name from sqlite_master where type = 'index' and name = 'incidentInfo_type_time'");

TEST_F(Opening, FileWhoseTablesDifferIsRefusedAndLeftUnchanged)
{
    const struct
    {
        const char* name;
        const char* change;
        const char* reason;
    } cases[] = {
        {"missing table", "drop table searchRecordInfo", "missing table searchRecordInfo"},
        {"extra column", "alter table DeviceInfo add column note TEXT", "columns of DeviceInfo are ("},
        {"another type", "create table T(x); drop table ChannelInfo; alter table T rename to ChannelInfo",
         "columns of ChannelInfo are (x )"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = PathOf(QString::fromLatin1(c.name) + QStringLiteral(".db"));
        ASSERT_TRUE(database.ConnectDatabase(path));
        database.CloseDatabase();
        // A file another program left in rollback-journal mode, readable by all.
        QStringList statements{QStringLiteral("PRAGMA journal_mode=DELETE")};
        statements << QString::fromLatin1(c.change).split(QStringLiteral("; "));
        ASSERT_TRUE(Change(path, statements));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        LogCapture log("Corvane");
        EXPECT_FALSE(database.ConnectDatabase(path));
        EXPECT_TRUE(log.Contains(std::string("DatabaseOperation::ConnectDatabase, Corvane.db open failed,"
                                             "tables differ from the schema: ")));
        EXPECT_TRUE(log.Contains(c.reason));
        EXPECT_FALSE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        EXPECT_EQ(Mode(path), 0644u);
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
    }
}

TEST_F(Opening, FileWithATableOfItsOwnIsUsedAndKeepsIt)
{
    const QString path = PathOf(QStringLiteral("extra.db"));
    ASSERT_TRUE(database.ConnectDatabase(path));
    database.CloseDatabase();
    ASSERT_TRUE(Change(
        path, {QStringLiteral("create table Notes(text TEXT)"), QStringLiteral("insert into Notes values ('kept')")}));

    ASSERT_TRUE(database.ConnectDatabase(path));
    EXPECT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    EXPECT_EQ(Total(database), 1);
    database.CloseDatabase();
    EXPECT_EQ(Query(path, QStringLiteral("select text from Notes")), QStringList{QStringLiteral("kept")});
}

TEST_F(Opening, ReconnectingSwitchesFiles)
{
    ASSERT_TRUE(database.ConnectDatabase(PathOf(QStringLiteral("first.db"))));
    ASSERT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    ASSERT_TRUE(database.ConnectDatabase(PathOf(QStringLiteral("second.db"))));
    EXPECT_EQ(Total(database), 0);
    EXPECT_EQ(Query(PathOf(QStringLiteral("first.db")), QStringLiteral("select count(*) from incidentInfo")),
              QStringList{QStringLiteral("1")});
}

TEST(BuiltDatabase, IsNextToTheProgramWithEveryTableForTheOwnerOnly)
{
    // The tests are built into the program's folder.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/Corvane.db");
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Tables(path), kTables);
}

// Runs `check` as the unprivileged user "nobody" in a child process: root
// writes read-only files regardless of their mode.
void ExpectAsUnprivilegedUser(const std::function<int()>& check)
{
    if (::geteuid() != 0) {
        EXPECT_EQ(check(), 0);
        return;
    }
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                std::_Exit(90);
            std::_Exit(check());
        },
        ::testing::ExitedWithCode(0), "");
}

// A file an earlier client made lacks the alarm ledger: opening adds it; a
// read-only one still opens for its searches, and alarms are refused.
TEST_F(Opening, FileWithoutTheAlarmLedgerGetsItOrStaysReadable)
{
    const AlarmOrigin origin{QStringLiteral("10.0.0.1:8000"), 1, 1};
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "writable" : "read-only");
        const QString path = PathOf(writable ? QStringLiteral("old.db") : QStringLiteral("old-read-only.db"));
        ASSERT_TRUE(database.ConnectDatabase(path));
        ASSERT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
        database.CloseDatabase();
        ASSERT_TRUE(Change(path, {QStringLiteral("PRAGMA journal_mode=DELETE"),
                                  QStringLiteral("drop table AlarmLedger"), QStringLiteral("drop table ClipRequest")}));
        if (writable) {
            ASSERT_TRUE(database.ConnectDatabase(path));
            EXPECT_TRUE(Tables(path).contains(QStringLiteral("AlarmLedger")));
            EXPECT_TRUE(Tables(path).contains(QStringLiteral("ClipRequest")));
            EXPECT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 2), origin));
            EXPECT_TRUE(database.IsAlarmStored(origin));
            database.CloseDatabase();
            continue;
        }
        MakeReadOnly(path);
        ExpectAsUnprivilegedUser([&] {
            DatabaseOperation readOnly;
            if (!readOnly.ConnectDatabase(path))
                return 1;
            if (Total(readOnly) != 1 || Tables(path).contains(QStringLiteral("AlarmLedger")))
                return 2;
            if (readOnly.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 2), origin) ||
                readOnly.IsAlarmStored(origin))
                return 3;
            return 0;
        });
    }
}

TEST_F(Opening, ReadOnlyFileServesSearchesAndRefusesWrites)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    ASSERT_TRUE(database.ConnectDatabase(path));
    ASSERT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    database.CloseDatabase();
    MakeReadOnly(path);

    ExpectAsUnprivilegedUser([&] {
        DatabaseOperation readOnly;
        if (!readOnly.ConnectDatabase(path))
            return 1;
        if (Total(readOnly) != 1)
            return 2;
        LogCapture log("DatabaseOperation");
        if (readOnly.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 2)))
            return 3;
        if (!log.Contains("插入事件失败，失败原因：attempt to write a readonly database"))
            return 4;
        return 0;
    });
}

TEST_F(Opening, ReadOnlyFileWithoutAnIndexStillServesSearches)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    MakeFileWithoutTypeIndex(database, path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);

    ExpectAsUnprivilegedUser([&] {
        DatabaseOperation readOnly;
        LogCapture log("DatabaseOperation");
        if (!readOnly.ConnectDatabase(path))
            return 1;
        if (!log.Contains("建立索引失败"))
            return 2;
        stu_SearchCondition condition = WholeRange();
        condition.types = {260};
        int total = -1;
        if (!readOnly.GetTotalNum(SEARCH_INCIDENT, condition, total) || total != 10)
            return 3;
        return 0;
    });
    EXPECT_TRUE(Query(path, kTypeIndexQuery).isEmpty());
}

TEST_F(Opening, FileWithoutAnIndexOfTheSchemaGainsItAndSearchesByTypeUseIt)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    MakeFileWithoutTypeIndex(database, path);
    ASSERT_TRUE(Query(path, kTypeIndexQuery).isEmpty());

    LogCapture log("DatabaseOperation");
    ASSERT_TRUE(database.ConnectDatabase(path));
    EXPECT_TRUE(log.Contains("数据库缺少索引incidentInfo_type_time"));
    EXPECT_EQ(Query(path, kTypeIndexQuery), QStringList{QStringLiteral("incidentInfo_type_time")});

    stu_SearchCondition condition = WholeRange();
    condition.types = {260};
    int total = -1;
    ASSERT_TRUE(database.GetTotalNum(SEARCH_INCIDENT, condition, total));
    EXPECT_EQ(total, 10);
    const SearchClause clause = database.GetSearchCondition(SEARCH_INCIDENT, condition);
    QVariantList pageValues = clause.values;
    pageValues << 30 << 0;
    for (const QString& statement :
         {WithValues(clause.CountStatement(), clause.values), WithValues(clause.PageStatement(), pageValues)}) {
        SCOPED_TRACE(statement.toStdString());
        const QStringList plan = Query(path, QStringLiteral("explain query plan ") + statement, 3);
        ASSERT_FALSE(plan.isEmpty());
        EXPECT_TRUE(plan.join(' ').contains(QStringLiteral("incidentInfo_type_time"))) << plan.join(' ').toStdString();
    }

    // Opened again, nothing is missing and nothing is built.
    LogCapture again("DatabaseOperation");
    ASSERT_TRUE(database.ConnectDatabase(path));
    EXPECT_FALSE(again.Contains("数据库缺少索引"));
}

class SqliteShell
{
public:
    explicit SqliteShell(const QString& path)
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        EXPECT_FALSE(program.isEmpty()) << "the sqlite3 command is a dependency of the build";
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, {path});
    }
    ~SqliteShell()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished(10000);
    }

    // Runs the statements and waits until the shell has answered them.
    bool Run(const QByteArray& statements)
    {
        process.write(statements + "\nselect 'done';\n");
        QByteArray output;
        while (!output.contains("done")) {
            if (!process.waitForReadyRead(30000))
                return false;
            output += process.readAllStandardOutput();
        }
        return true;
    }

    void Send(const QByteArray& statements)
    {
        process.write(statements + "\n");
        process.waitForBytesWritten(30000);
    }

private:
    QProcess process;
};

TEST_F(Opening, WritesWaitForAnotherProcessAndFailWhenItHoldsTheLockTooLong)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    ASSERT_TRUE(database.ConnectDatabase(path));
    SqliteShell shell(path);
    ASSERT_TRUE(shell.Run("begin exclusive; insert into incidentInfo(time) values ('20261201070000');"));

    LogCapture log("DatabaseOperation");
    EXPECT_FALSE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    EXPECT_TRUE(log.Contains("DatabaseOperation::InsertIncidentInfo, 插入事件失败，失败原因：database is locked"));
    EXPECT_EQ(Total(database), 0) << "readers go on beside a writer and see committed rows only";

    // A lock released within the busy timeout only delays the insert.
    QFuture<bool> insert =
        QtConcurrent::run([&] { return database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 2)); });
    QThread::msleep(300);
    shell.Send("commit;");
    EXPECT_TRUE(insert.result());
    EXPECT_EQ(Total(database), 2);
}

class Threads : public DatabaseTest
{ };

TEST_F(Threads, GuiPoolAndPlainThreadsUseTheDatabaseAtOnce)
{
    constexpr int kRows = 150;
    const auto insertAndSearch = [this](const QString& deviceIp) {
        int stored = 0;
        for (int i = 0; i < kRows; ++i) {
            stored += database.InsertIncidentInfo(Incident(deviceIp, i)) ? 1 : 0;
            if (i % 10 == 0) {
                QList<TrafficIncident> page;
                stu_SearchCondition condition = WholeRange();
                condition.deviceIp = deviceIp.toStdString();
                database.GetIncidentInfo(0, 30, condition, page);
            }
        }
        return stored;
    };
    QFuture<int> poolA = QtConcurrent::run(insertAndSearch, QStringLiteral("10.0.0.1"));
    QFuture<int> poolB = QtConcurrent::run(insertAndSearch, QStringLiteral("10.0.0.2"));
    int plainStored = 0;
    std::thread plain([&] { plainStored = insertAndSearch(QStringLiteral("10.0.0.3")); });
    const int guiStored = insertAndSearch(QStringLiteral("10.0.0.4"));
    plain.join();

    EXPECT_EQ(poolA.result(), kRows);
    EXPECT_EQ(poolB.result(), kRows);
    EXPECT_EQ(plainStored, kRows);
    EXPECT_EQ(guiStored, kRows);
    for (const char* deviceIp : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"})
        EXPECT_EQ(Total(database, QString::fromLatin1(deviceIp)), kRows) << deviceIp;

    database.CloseDatabase();
    EXPECT_TRUE(QSqlDatabase::connectionNames().isEmpty()) << "every thread's connection is closed";
    LogCapture log("DatabaseOperation");
    EXPECT_FALSE(QtConcurrent::run(insertAndSearch, QStringLiteral("10.0.0.1")).result());
    EXPECT_TRUE(log.Contains("database is not open"));
}

// Holds every thread that logs a line containing `text` until released.
class GateSink : public spdlog::sinks::sink
{
public:
    explicit GateSink(std::string text) : text(std::move(text)) { }

    void log(const spdlog::details::log_msg& message) override
    {
        if (std::string_view(message.payload.data(), message.payload.size()).find(text) == std::string_view::npos)
            return;
        std::unique_lock<std::mutex> lock(mutex);
        held = true;
        changed.notify_all();
        changed.wait(lock, [this] { return released; });
    }
    void flush() override { }
    void set_pattern(const std::string&) override { }
    void set_formatter(std::unique_ptr<spdlog::formatter>) override { }

    bool WaitUntilHeld()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [this] { return held; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }

private:
    const std::string text;
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    bool released = false;
};

// A search that pages through many rows must not hold up the alarms that
// arrive meanwhile: the insert finishes while the search is still reading.
TEST_F(Threads, InsertsGoOnWhileASearchReads)
{
    ASSERT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 0)));
    auto gate = std::make_shared<GateSink>("获取事件成功");
    const std::shared_ptr<spdlog::logger> logger = LoggerFor("DatabaseOperation");
    logger->sinks().push_back(gate);
    QFuture<bool> search = QtConcurrent::run([this] {
        QList<TrafficIncident> page;
        return database.GetIncidentInfo(0, 30, WholeRange(), page) && page.size() == 1;
    });
    ASSERT_TRUE(gate->WaitUntilHeld()) << "the search reads its row";

    bool inserted = false;
    std::atomic<bool> done{false};
    std::thread alarm([&] {
        inserted = database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1));
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool insertedDuringSearch = done;
    gate->Release();
    alarm.join();
    EXPECT_TRUE(search.result());
    logger->sinks().pop_back();

    EXPECT_TRUE(insertedDuringSearch);
    EXPECT_TRUE(inserted);
    EXPECT_EQ(Total(database), 2);
}

TEST_F(Threads, AnEndedThreadLeavesNoConnectionBehind)
{
    ASSERT_GE(Total(database), 0);
    const QStringList before = QSqlDatabase::connectionNames();
    QStringList during;
    std::thread plain([&] {
        database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1));
        during = QSqlDatabase::connectionNames();
    });
    plain.join();
    EXPECT_EQ(during.size(), before.size() + 1);
    EXPECT_EQ(QSqlDatabase::connectionNames(), before);
    EXPECT_EQ(Total(database), 1);
}

} // namespace
