#include "ConsoleSilencer.h"
#include "QtPrinters.h"
#include "core/Logging.h"
#include "core/list_sink.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <spdlog/spdlog.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <set>
#include <thread>
#include <vector>

namespace {

const QRegularExpression kLinePattern(QStringLiteral(
    R"(^\[(\d+) (\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3})\]<(trace|debug|info |warn |error|criti)\|([^>]+)> (.*)$)"));

struct LogLine
{
    qint64 threadId;
    QDateTime time;
    QString level;
    QString logger;
    QString message;
};

// Runs each test in its own application folder with logging set up there.
class Logging : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(appDir.isValid());
        qputenv("CORVANE_APP_DIR", appDir.path().toLocal8Bit());
    }
    void TearDown() override
    {
        ShutdownLogging();
        qunsetenv("CORVANE_APP_DIR");
    }

    QDir LogDir() const { return QDir(appDir.filePath(QStringLiteral("CorvaneLogs"))); }

    QStringList LogFiles() const
    {
        return LogDir().entryList({QStringLiteral("CorvaneLogs*.log")}, QDir::Files, QDir::Name);
    }

    // Every line of every log file, oldest file first; fails on any line that
    // does not have the client's pattern and "\r\n" ending.
    std::vector<LogLine> ReadLines() const
    {
        std::vector<LogLine> lines;
        for (const QString& name : LogFiles()) {
            QFile file(LogDir().filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            EXPECT_TRUE(content.isEmpty() || content.endsWith("\r\n")) << name.toStdString();
            for (const QByteArray& raw : content.split('\n')) {
                if (raw.isEmpty())
                    continue;
                EXPECT_TRUE(raw.endsWith('\r')) << raw.toStdString();
                const QString text = QString::fromUtf8(raw.chopped(1));
                const QRegularExpressionMatch match = kLinePattern.match(text);
                EXPECT_TRUE(match.hasMatch()) << text.toStdString();
                if (!match.hasMatch())
                    continue;
                lines.push_back({match.captured(1).toLongLong(),
                                 QDateTime::fromString(match.captured(2), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                                 match.captured(3), match.captured(4), match.captured(5)});
            }
        }
        return lines;
    }

    QTemporaryDir appDir;
};

TEST_F(Logging, LinesReachTheLogFolderWithTheClientPattern)
{
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    {
        ConsoleSilencer quiet;
        ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
        LoggerFor("ImplementInstance")->error("{}, Read config.ini Error!", "ImplementInstance::InitImplementInstance");
        LoggerFor("DatabaseOperation")
            ->info("{}, device {} ({}) added", "DatabaseOperation::AddDevice", QStringLiteral("北门"), 8000);
    }
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);

    ASSERT_EQ(LogFiles().size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^CorvaneLogs_\d{4}-\d{2}-\d{2}_\d{2}-\d{2}-\d{2}_\d{3}\.log$)"))
                    .match(LogFiles().first())
                    .hasMatch())
        << LogFiles().first().toStdString();
    const std::vector<LogLine> lines = ReadLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].threadId, static_cast<qint64>(syscall(SYS_gettid)));
    EXPECT_TRUE(lines[0].time >= before && lines[0].time <= after) << lines[0].time.toString().toStdString();
    EXPECT_EQ(lines[0].level, QStringLiteral("error"));
    EXPECT_EQ(lines[0].logger, QStringLiteral("ImplementInstance"));
    EXPECT_EQ(lines[0].message, QStringLiteral("ImplementInstance::InitImplementInstance, Read config.ini Error!"));
    EXPECT_EQ(lines[1].level, QStringLiteral("info "));
    EXPECT_EQ(lines[1].message, QStringLiteral("DatabaseOperation::AddDevice, device 北门 (8000) added"));
}

struct LevelCase
{
    const char* name;
    int wideLevel;
    const char* field; // "" when nothing is written
};

void PrintTo(const LevelCase& c, std::ostream* os)
{
    *os << c.name;
}

class WideLevels : public Logging, public testing::WithParamInterface<LevelCase>
{ };

TEST_P(WideLevels, MapToTheFiveCharacterLevelOrNothing)
{
    {
        ConsoleSilencer quiet;
        ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
        LogWideF(L"", L"main", L"main.cpp", 12, GetParam().wideLevel, L"%ls %d", L"【崩溃捕获】申请内存失败", 7);
    }
    const std::vector<LogLine> lines = ReadLines();
    if (*GetParam().field == '\0') {
        EXPECT_TRUE(lines.empty());
        return;
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, QString::fromLatin1(GetParam().field));
    EXPECT_EQ(lines[0].logger, QStringLiteral("Global"));
    EXPECT_EQ(lines[0].message, QStringLiteral("【崩溃捕获】申请内存失败 7"));
}

INSTANTIATE_TEST_SUITE_P(Levels, WideLevels,
                         testing::Values(LevelCase{"Info", 1, "info "}, LevelCase{"TraceDropped", 2, ""},
                                         LevelCase{"DebugDropped", 3, ""}, LevelCase{"Warning", 4, "warn "},
                                         LevelCase{"Error", 5, "error"}, LevelCase{"Critical", 6, "criti"},
                                         LevelCase{"Seven", 7, ""}, LevelCase{"Zero", 0, ""}),
                         [](const testing::TestParamInfo<LevelCase>& info) { return std::string(info.param.name); });

TEST_F(Logging, WideCategoryNamesTheLoggerAndLongMessagesStayWhole)
{
    const std::wstring longText(5000, L'字');
    {
        ConsoleSilencer quiet;
        ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
        LogWideF(L"CrashHandler", L"f", L"f.cpp", 1, 5, L"%ls!", longText.c_str());
    }
    const std::vector<LogLine> lines = ReadLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].logger, QStringLiteral("CrashHandler"));
    EXPECT_EQ(lines[0].message, QString::fromStdWString(longText) + QLatin1Char('!'));
}

TEST_F(Logging, LoggersAreSharedAndOnlyGuiFeedsTheRecentLines)
{
    ConsoleSilencer quiet;
    ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
    EXPECT_EQ(LoggerFor("Corvane"), GetOrCreateLogger("Corvane"));
    EXPECT_EQ(GlobalLogger(), LoggerFor("Global"));
    EXPECT_EQ(LoggerFor("Corvane")->sinks().size(), 3u);
    EXPECT_EQ(LoggerFor("gui")->sinks().size(), 3u);
    ASSERT_EQ(LoggerFor("GUI")->sinks().size(), 4u);
    // Every logger writes into the very same sink objects.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(LoggerFor("GUI")->sinks()[i], LoggerFor("DeviceManager")->sinks()[i]);

    auto recent = std::dynamic_pointer_cast<spdlog::sinks::list_sink_mt>(LoggerFor("GUI")->sinks().back());
    ASSERT_TRUE(recent);
    LoggerFor("GUI")->info("{}, shown", "Corvane::Show");
    LoggerFor("Corvane")->info("{}, not in the list", "Corvane::Other");
    const auto kept = recent->lines();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(std::string(kept[0].message.payload.data(), kept[0].message.payload.size()), "Corvane::Show, shown");
}

TEST_F(Logging, TraceAndDebugNeverReachTheFile)
{
    {
        ConsoleSilencer quiet;
        ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
        LoggerFor("KvorPlayWindow")->trace("{}, dropped", "a");
        LoggerFor("KvorPlayWindow")->debug("{}, dropped", "b");
        LoggerFor("KvorPlayWindow")->warn("{}, kept", "c");
        LoggerFor("KvorPlayWindow")->critical("{}, kept", "d");
    }
    const std::vector<LogLine> lines = ReadLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].level, QStringLiteral("warn "));
    EXPECT_EQ(lines[1].level, QStringLiteral("criti"));
}

TEST_F(Logging, SecondInitChangesNothingAndLoggersOutliveShutdown)
{
    ConsoleSilencer quiet;
    ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
    const auto before = LoggerFor("Corvane");
    EXPECT_TRUE(InitLogging(L"OtherLogs"));
    EXPECT_FALSE(QDir(appDir.filePath(QStringLiteral("OtherLogs"))).exists());
    EXPECT_EQ(LoggerFor("Corvane"), before);

    ShutdownLogging();
    EXPECT_EQ(spdlog::get("Corvane"), nullptr);
    const auto after = LoggerFor("Corvane");
    EXPECT_NE(after, before);
    ASSERT_EQ(after->sinks().size(), 3u);
    EXPECT_EQ(after->sinks(), before->sinks());
    after->info("{}, destroyed", "Corvane::~Corvane");
    ASSERT_EQ(LogFiles().size(), 1);
    EXPECT_EQ(ReadLines().back().message, QStringLiteral("Corvane::~Corvane, destroyed"));
}

TEST_F(Logging, EightThreadsWriteWholeLinesAndEveryOne)
{
    constexpr int kThreads = 8;
    constexpr int kLinesPerThread = 2500;
    // About 180 bytes a line: 20,000 lines pass 2 MiB, so a rotation happens mid-run.
    const std::string padding(120, 'x');
    {
        ConsoleSilencer quiet;
        ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t, &padding] {
                const auto logger = LoggerFor("Worker" + std::to_string(t));
                for (int i = 0; i < kLinesPerThread; ++i)
                    logger->info("{}, thread {} line {} {}", "Worker::Run", t, i, padding);
            });
        }
        for (auto& thread : threads)
            thread.join();
    }

    EXPECT_GE(LogFiles().size(), 2);
    for (const QString& name : LogFiles())
        EXPECT_LE(QFileInfo(LogDir().filePath(name)).size(), 2 * 1024 * 1024) << name.toStdString();
    const std::vector<LogLine> lines = ReadLines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesPerThread));
    const QRegularExpression message(QStringLiteral(R"(^Worker::Run, thread (\d) line (\d+) x{120}$)"));
    std::vector<int> nextLine(kThreads, 0);
    for (const LogLine& line : lines) {
        const QRegularExpressionMatch match = message.match(line.message);
        ASSERT_TRUE(match.hasMatch()) << line.message.toStdString();
        const int thread = match.captured(1).toInt();
        EXPECT_EQ(line.logger, QStringLiteral("Worker%1").arg(thread));
        // Each thread's lines arrive once each, in the order it wrote them.
        ASSERT_EQ(match.captured(2).toInt(), nextLine[thread]);
        ++nextLine[thread];
    }
}

TEST_F(Logging, RotationAtTwoMebibytesKeepsAHundredFiles)
{
    ASSERT_TRUE(QDir().mkpath(LogDir().path()));
    QStringList leftOver;
    for (int i = 0; i < 100; ++i) {
        leftOver << QString::asprintf("CorvaneLogs_2020-01-01_00-%02d-%02d_000.log", i / 60, i % 60);
        QFile file(LogDir().filePath(leftOver.back()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFile unrelated(LogDir().filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(unrelated.open(QIODevice::WriteOnly));

    QString firstFile;
    {
        ConsoleSilencer quiet;
        ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
        // A start never deletes: 100 old files plus the new one.
        ASSERT_EQ(LogFiles().size(), 101);
        firstFile = LogFiles().back();
        const std::string padding(1000, 'y');
        for (int i = 0; i < 2200; ++i)
            LoggerFor("Corvane")->info("{}, {}", i, padding);
    }

    const QStringList files = LogFiles();
    EXPECT_EQ(files.size(), 100);
    EXPECT_FALSE(files.contains(leftOver.first()));
    EXPECT_TRUE(files.contains(leftOver.at(2)));
    EXPECT_TRUE(files.contains(firstFile));
    EXPECT_TRUE(QFile::exists(unrelated.fileName()));
    const qint64 firstSize = QFileInfo(LogDir().filePath(firstFile)).size();
    EXPECT_LE(firstSize, 2 * 1024 * 1024);
    EXPECT_GT(firstSize, 2 * 1024 * 1024 - 1100); // full up to the line that did not fit
}

// Texts from the network reach log lines: device and user names, plates,
// addresses, RTSP headers. None may end the line, drive the terminal or cut the
// line short; Chinese stays readable.
struct HostileTextCase
{
    const char* name;
    std::string raw;
    const char* shown;
};

void PrintTo(const HostileTextCase& c, std::ostream* os)
{
    *os << c.name;
}

class HostileText : public Logging, public testing::WithParamInterface<HostileTextCase>
{ };

// Bytes no log line may hold: controls other than its own "\r\n" end, DEL.
bool HasRawControl(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        const bool lineEnd = byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        const bool afterLineEnd = byte == '\n' && i > 0 && text[i - 1] == '\r';
        if ((byte < 0x20 && !lineEnd && !afterLineEnd) || byte == 0x7F)
            return true;
    }
    return false;
}

TEST_P(HostileText, IsEscapedInTheFileAndOnTheConsole)
{
    testing::internal::CaptureStdout();
    ASSERT_TRUE(InitLogging(L"CorvaneLogs"));
    LoggerFor("DeviceManager")->warn("{}, refused {} here", "DeviceManager::Hello", GetParam().raw);
    LoggerFor("DeviceManager")->flush();
    const std::string console = testing::internal::GetCapturedStdout();

    const std::string expected = std::string("DeviceManager::Hello, refused ") + GetParam().shown + " here";
    const std::vector<LogLine> lines = ReadLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message.toStdString(), expected);
    ASSERT_EQ(LogFiles().size(), 1);
    QFile file(LogDir().filePath(LogFiles().first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string content = file.readAll().toStdString();
    EXPECT_FALSE(HasRawControl(content)) << content;
    EXPECT_TRUE(QString::fromStdString(content).toStdString() == content) << "not valid UTF-8: " << content;

    EXPECT_NE(console.find("<warn |DeviceManager> " + expected + "\r\n"), std::string::npos) << console;
    EXPECT_FALSE(HasRawControl(console)) << console;
}

INSTANTIATE_TEST_SUITE_P(
    Network, HostileText,
    testing::Values(HostileTextCase{"ForgedLine", "u\r\n[99999 2026-12-11 02:00:00.000]<info |DeviceManager> FORGED",
                                    R"(u\r\n[99999 2026-12-11 02:00:00.000]<info |DeviceManager> FORGED)"},
                    HostileTextCase{"TerminalEscape", "\x1b[31mred\x1b[0m\x1b]0;title\x07",
                                    R"(\x1B[31mred\x1B[0m\x1B]0;title\x07)"},
                    HostileTextCase{"Nul", std::string("10.0.0.7\0 hidden reason", 23), R"(10.0.0.7\0 hidden reason)"},
                    HostileTextCase{"OtherControls", "a\tb\x08\x7f\x01", R"(a\tb\x08\x7F\x01)"},
                    HostileTextCase{"InvalidUtf8", "\xff\xc3(\xe4\xb8", R"(\xFF\xC3(\xE4\xB8)"},
                    HostileTextCase{"OverlongAndSurrogate", "\xc0\xaf\xed\xa0\x80", R"(\xC0\xAF\xED\xA0\x80)"},
                    HostileTextCase{"C1SeparatorsAndOverrides",
                                    "\xc2\x9b"
                                    "2J\xe2\x80\xa8\xe2\x80\xae",
                                    R"(\u{009B}2J\u{2028}\u{202E})"},
                    HostileTextCase{"ChineseStaysReadable", "北门 粤B12345 违停", "北门 粤B12345 违停"}),
    [](const testing::TestParamInfo<HostileTextCase>& info) { return std::string(info.param.name); });

struct BlockedFolderCase
{
    const char* name;
    const char* blocker;   // a plain file at this path inside the application folder
    const char* appSubdir; // the application folder below the temporary one
};

void PrintTo(const BlockedFolderCase& c, std::ostream* os)
{
    *os << c.name;
}

class UnwritableLogFolder : public Logging, public testing::WithParamInterface<BlockedFolderCase>
{ };

TEST_P(UnwritableLogFolder, InitReturnsFalseAndConsoleLoggingGoesOn)
{
    QFile blocker(appDir.filePath(QString::fromLatin1(GetParam().blocker)));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString app = appDir.filePath(QString::fromLatin1(GetParam().appSubdir));
    qputenv("CORVANE_APP_DIR", app.toLocal8Bit());

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool opened = InitLogging(L"CorvaneLogs");
    LoggerFor("Corvane")->error("{}, still logging", "Corvane::Corvane");
    const bool openedAgain = InitLogging(L"CorvaneLogs");
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(opened);
    EXPECT_FALSE(openedAgain);
    EXPECT_EQ(LoggerFor("Corvane")->sinks().size(), 2u);
    EXPECT_NE(out.find("<error|Logging> InitLogging, log files are off: "), std::string::npos) << out;
    EXPECT_NE(out.find("CorvaneLogs"), std::string::npos) << out;
    EXPECT_NE(out.find("<error|Corvane> Corvane::Corvane, still logging\r\n"), std::string::npos) << out;
    // No debugger listens, so the debugger-output sink shows nothing twice.
    EXPECT_EQ(err.find("still logging"), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(Blocked, UnwritableLogFolder,
                         testing::Values(BlockedFolderCase{"FolderIsAFile", "CorvaneLogs", "."},
                                         BlockedFolderCase{"ParentIsAFile", "app", "app/sub"}),
                         [](const testing::TestParamInfo<BlockedFolderCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
