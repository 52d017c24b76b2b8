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

#include <thread>

namespace {

::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Answers of one statement through a connection of the test's own.
QStringList Query(const QString& path, const QString& sql)
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
                    rows << query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

const QStringList kTables{QStringLiteral("ChannelInfo"),      QStringLiteral("DeviceInfo"),
                          QStringLiteral("ForensicsInfo"),    QStringLiteral("TrafficParamInfo"),
                          QStringLiteral("incidentInfo"),     QStringLiteral("searchRecordInfo")};

QStringList Tables(const QString& path)
{
    QStringList tables = Query(path, QStringLiteral("select name from sqlite_master where type = 'table'"));
    tables.sort();
    return tables;
}

mode_t Mode(const QString& path)
{
    struct stat status{};
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
    EXPECT_TRUE(connectLog.Contains("DatabaseOperation::ConnectDatabase, Corvane.db open failed,file is not a database"));

    LogCapture statementLog("DatabaseOperation");
    EXPECT_FALSE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    EXPECT_TRUE(statementLog.Contains("DatabaseOperation::InsertIncidentInfo, 插入事件失败，失败原因：database is not open"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), text);
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

TEST_F(Opening, ReadOnlyFileServesSearchesAndRefusesWrites)
{
    const QString path = PathOf(QStringLiteral("Corvane.db"));
    ASSERT_TRUE(database.ConnectDatabase(path));
    ASSERT_TRUE(database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 1)));
    database.CloseDatabase();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);

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
    QFuture<bool> insert = QtConcurrent::run(
        [&] { return database.InsertIncidentInfo(Incident(QStringLiteral("10.0.0.1"), 2)); });
    QThread::msleep(300);
    shell.Send("commit;");
    EXPECT_TRUE(insert.result());
    EXPECT_EQ(Total(database), 2);
}

class Threads : public DatabaseTest
{
};

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
