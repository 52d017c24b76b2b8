#include "core/CrashDumpHandler.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <semaphore.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const QRegularExpression kDumpName("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.dmp$");

struct ChildResult
{
    int deathSignal = 0; // 0 when the child exited normally
    int exitCode = 0;
    QString output;
};

// Runs the victim and reports the signal that ended it and what it printed.
ChildResult RunVictim(const QString& how, const QString& folder)
{
    QTemporaryDir scratch;
    const QByteArray outPath = (scratch.path() + "/out").toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.constData(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const QByteArray program = CRASH_VICTIM;
    const QByteArray howBytes = how.toLocal8Bit();
    const QByteArray folderBytes = folder.toLocal8Bit();
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(howBytes.constData()),
                    const_cast<char*>(folderBytes.constData()), nullptr};
    pid_t pid = 0;
    ChildResult result;
    if (posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ) != 0) {
        ADD_FAILURE() << "cannot start " << program.constData();
        return result;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    result.deathSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    QFile out(QString::fromLocal8Bit(outPath));
    if (out.open(QIODevice::ReadOnly))
        result.output = QString::fromUtf8(out.readAll()).trimmed();
    return result;
}

QString ReadDump(const QString& path)
{
    QProcess reader;
    reader.start(DUMPREAD, {path});
    reader.waitForFinished(60000);
    return QString::fromUtf8(reader.readAllStandardOutput());
}

struct CrashCase
{
    const char* name;
    const char* how;
    int signal;
    const char* crashingFunction;
};

void PrintTo(const CrashCase& c, std::ostream* out)
{
    *out << c.name;
}

class CrashInChild : public testing::TestWithParam<CrashCase>
{ };

TEST_P(CrashInChild, DiesWithItsSignalAndLeavesOneReadableDump)
{
    const CrashCase& c = GetParam();
    QTemporaryDir dir;
    const QString folder = dir.path() + "/ExceptionDump";
    ASSERT_TRUE(QDir().mkpath(folder));

    const ChildResult child = RunVictim(c.how, folder);

    EXPECT_EQ(child.deathSignal, c.signal) << strsignal(child.deathSignal);
    const QStringList dumps = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(dumps.size(), 1) << dumps.join(", ").toStdString();
    EXPECT_TRUE(kDumpName.match(dumps.first()).hasMatch()) << dumps.first().toStdString();
    EXPECT_EQ(dumps.first(), child.output + ".dmp");

    const QString report = ReadDump(folder + "/" + dumps.first());
    EXPECT_TRUE(report.contains(c.crashingFunction)) << report.toStdString();
}

// Stack overflow needs the alternate stack, which the sanitizers' own stack
// checks take over; it is covered by the normal build.
#if defined(__SANITIZE_ADDRESS__)
#define OVERFLOW_CASE
#else
#define OVERFLOW_CASE CrashCase{"StackOverflowOnMainThread", "overflow", SIGSEGV, "OverflowStack"},
#endif

INSTANTIATE_TEST_SUITE_P(
    Cases, CrashInChild,
    testing::Values(CrashCase{"NullDereference", "null", SIGSEGV, "CrashByNullDereference"},
                    CrashCase{"Abort", "abort", SIGABRT, "CrashByAbort"},
                    CrashCase{"ExceptionThroughNoexcept", "noexcept", SIGABRT, "PropagateThroughNoexcept"},
                    CrashCase{"PureVirtualCall", "pure", SIGABRT, "CallPureFromConstructor"},
                    OVERFLOW_CASE CrashCase{"CrashOnWorkerThread", "worker", SIGSEGV, "CrashByNullDereference"}),
    [](const testing::TestParamInfo<CrashCase>& info) { return info.param.name; });

TEST(CrashDumpHandler, UnwritableFolderStillDiesWithTheSignal)
{
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/not-a-folder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const ChildResult child = RunVictim("null", blocker.fileName() + "/ExceptionDump");

#if defined(__SANITIZE_ADDRESS__)
    // Without a dump the signal goes to the handler installed before ours:
    // the sanitizer's, which reports and exits with an error.
    EXPECT_EQ(child.deathSignal, 0);
    EXPECT_NE(child.exitCode, 0);
    EXPECT_NE(child.exitCode, 3);
#else
    EXPECT_EQ(child.deathSignal, SIGSEGV);
#endif
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"not-a-folder"});
}

TEST(CrashDumpHandler, AssertionRecordsReachTheDump)
{
    QTemporaryDir dir;
    const ChildResult child = RunVictim("noexcept", dir.path());
    const QString report = ReadDump(dir.path() + "/" + child.output + ".dmp");
    EXPECT_TRUE(report.contains("assertion-type: 1")) << report.toStdString();
    EXPECT_TRUE(report.contains("std::runtime_error: thrown through noexcept")) << report.toStdString();
}

TEST(CrashDumpHandler, DumpIdIsALowerCaseGuid)
{
    QTemporaryDir dir;
    CrashDumpHandler handler(dir.path().toStdString(), nullptr, nullptr, nullptr, CrashDumpHandler::HandlerNone);
    const QString name = QString::fromStdString(handler.NextDumpId()) + ".dmp";
    EXPECT_TRUE(kDumpName.match(name).hasMatch()) << name.toStdString();
    EXPECT_EQ(handler.NextDumpPath(), dir.path().toStdString() + "/" + handler.NextDumpId() + ".dmp");
}

TEST(CrashDumpHandler, WriteDumpOfCurrentStateWritesAndRenewsTheName)
{
    QTemporaryDir dir;
    CrashDumpHandler handler(dir.path().toStdString(), nullptr, nullptr, nullptr, CrashDumpHandler::HandlerNone);
    const std::string firstPath = handler.NextDumpPath();

    ASSERT_TRUE(handler.WriteDumpOfCurrentState());

    EXPECT_NE(handler.NextDumpPath(), firstPath);
    QFile dump(QString::fromStdString(firstPath));
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    const QByteArray text = dump.readAll();
    EXPECT_TRUE(text.startsWith("CORVANE CRASH DUMP 1\n"));
    EXPECT_TRUE(text.contains("signal: 0 none"));
    EXPECT_TRUE(text.contains("\nmaps:\n"));
    EXPECT_TRUE(text.endsWith("end\n"));
}

TEST(CrashDumpHandler, FilterRefusingWritesNothing)
{
    QTemporaryDir dir;
    auto refuse = [](void*, const CrashContext*, const AssertionRecord*) { return false; };
    CrashDumpHandler handler(dir.path().toStdString(), refuse, nullptr, nullptr, CrashDumpHandler::HandlerNone);
    EXPECT_FALSE(handler.WriteDumpOfCurrentState());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(CrashDumpHandler, CompletionSeesTheDumpAndDecidesTheResult)
{
    QTemporaryDir dir;
    struct Seen
    {
        std::string folder, id;
        bool succeeded = false;
    } seen;
    auto completion = [](const char* folder, const char* id, void* context, const CrashContext*, const AssertionRecord*,
                         bool succeeded) {
        auto* s = static_cast<Seen*>(context);
        s->folder = folder;
        s->id = id;
        s->succeeded = succeeded;
        return false;
    };
    EXPECT_FALSE(CrashDumpHandler::WriteDumpNow(dir.path().toStdString(), completion, &seen));
    EXPECT_TRUE(seen.succeeded);
    EXPECT_EQ(seen.folder, dir.path().toStdString());
    EXPECT_TRUE(QFile::exists(dir.path() + "/" + QString::fromStdString(seen.id) + ".dmp"));
}

struct sigaction CurrentAction(int signal)
{
    struct sigaction action = {};
    sigaction(signal, nullptr, &action);
    return action;
}

TEST(CrashDumpHandler, NoTypesInstallsNothing)
{
    const auto before = CurrentAction(SIGSEGV);
    {
        QTemporaryDir dir;
        CrashDumpHandler handler(dir.path().toStdString(), nullptr, nullptr, nullptr, CrashDumpHandler::HandlerNone);
        EXPECT_EQ(CurrentAction(SIGSEGV).sa_sigaction, before.sa_sigaction);
    }
    EXPECT_EQ(CurrentAction(SIGSEGV).sa_sigaction, before.sa_sigaction);
}

TEST(CrashDumpHandler, RemovingOutOfOrderWarnsAndRestoresWhatWasBefore)
{
    QTemporaryDir dir;
    const auto original = CurrentAction(SIGBUS);
    auto* first = new CrashDumpHandler(dir.path().toStdString(), nullptr, nullptr, nullptr,
                                       CrashDumpHandler::HandlerFatalSignals);
    const auto installed = CurrentAction(SIGBUS);
    EXPECT_NE(installed.sa_sigaction, original.sa_sigaction);
    auto* second = new CrashDumpHandler(dir.path().toStdString(), nullptr, nullptr, nullptr,
                                        CrashDumpHandler::HandlerFatalSignals);

    testing::internal::CaptureStderr();
    delete first;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "warning: removing crash handler out of order\n");
    EXPECT_EQ(CurrentAction(SIGBUS).sa_sigaction, original.sa_sigaction);

    testing::internal::CaptureStderr();
    delete second;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(CrashDumpHandler, BreakpointsGoToThePreviousHandlerWithoutADump)
{
    QTemporaryDir dir;
    const ChildResult alone = RunVictim("trap", dir.path());
    EXPECT_EQ(alone.deathSignal, SIGTRAP) << "the default action of a breakpoint";
    EXPECT_FALSE(alone.output.contains("continued"));

    const ChildResult chained = RunVictim("trap-chained", dir.path());
    EXPECT_EQ(chained.deathSignal, 0);
    EXPECT_EQ(chained.exitCode, 4);
    EXPECT_TRUE(chained.output.contains("previous trap handler\ncontinued")) << chained.output.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

// A filter that holds the dump thread until released, as a dump that hangs
// on a stalled disk would.
struct Gate
{
    sem_t open;
    std::atomic<int> calls{0};
    Gate() { sem_init(&open, 0, 0); }
    ~Gate() { sem_destroy(&open); }
};

TEST(CrashDumpHandler, ARequestThatTimedOutLeavesTheNextOnePossible)
{
    QTemporaryDir dir;
    Gate gate;
    auto holdFirst = [](void* context, const CrashContext*, const AssertionRecord*) {
        auto* g = static_cast<Gate*>(context);
        if (g->calls++ == 0)
            sem_wait(&g->open);
        return true;
    };
    CrashDumpHandler handler(dir.path().toStdString(), holdFirst, nullptr, &gate, CrashDumpHandler::HandlerNone);
    handler.SetDumpTimeout(300);
    const std::string firstId = handler.NextDumpId();

    EXPECT_FALSE(handler.WriteDumpOfCurrentState()) << "the dump thread hangs: the request gives up";
    const std::string secondId = handler.NextDumpId();
    ASSERT_NE(secondId, firstId);

    // The hung dump goes on later, and the next request is answered for itself.
    sem_post(&gate.open);
    handler.SetDumpTimeout(30000);
    EXPECT_TRUE(handler.WriteDumpOfCurrentState());
    for (const std::string& id : {firstId, secondId}) {
        QFile dump(dir.path() + "/" + QString::fromStdString(id) + ".dmp");
        ASSERT_TRUE(dump.open(QIODevice::ReadOnly)) << id;
        const QByteArray text = dump.readAll();
        EXPECT_TRUE(text.contains(QByteArray("dump-id: ") + id.c_str() + "\n")) << id;
        EXPECT_TRUE(text.endsWith("end\n")) << id;
    }
    EXPECT_EQ(gate.calls, 2);
}

} // namespace
