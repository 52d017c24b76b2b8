#include "core/rotating_file_mod_sink.h"

#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <spdlog/pattern_formatter.h>

#include <memory>

namespace {

using Sink = spdlog::sinks::rotating_file_mod_sink_st;

// Sinks here write the bare message, so line sizes are exact.
class RotatingFileModSink : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<Sink> MakeSink(std::uint32_t maxSize, std::uint32_t maxFiles, Sink::clock now = {})
    {
        auto sink = std::make_unique<Sink>("CorvaneLogs", "log", Folder(), maxSize, maxFiles, true, std::move(now));
        sink->set_formatter(std::make_unique<spdlog::pattern_formatter>("%v", spdlog::pattern_time_type::local, ""));
        return sink;
    }

    static void Write(Sink& sink, const std::string& text)
    {
        sink.log(spdlog::details::log_msg("test", spdlog::level::info, text));
    }

    std::string Folder() const { return dir.path().toStdString(); }

    QStringList LogFiles() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("CorvaneLogs*.log")}, QDir::Files, QDir::Name);
    }

    QByteArray Content(const QString& name) const
    {
        QFile file(QDir(dir.path()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static QString NameOf(Sink& sink) { return QFileInfo(QString::fromStdString(sink.current_filename())).fileName(); }

    QTemporaryDir dir;
};

struct SizeCase
{
    const char* name;
    std::uint32_t maxSize;
    std::vector<int> lineSizes;
    std::vector<std::vector<int>> filesByLine; // indexes of the lines each file ends up with
};

void PrintTo(const SizeCase& c, std::ostream* os)
{
    *os << c.name;
}

class RotationBySize : public RotatingFileModSink, public testing::WithParamInterface<SizeCase>
{ };

TEST_P(RotationBySize, LineThatWouldPassTheLimitStartsTheNextFile)
{
    const SizeCase& c = GetParam();
    auto sink = MakeSink(c.maxSize, 10);
    std::vector<std::string> lines;
    for (size_t i = 0; i < c.lineSizes.size(); ++i) {
        lines.push_back(std::string(static_cast<size_t>(c.lineSizes[i]), static_cast<char>('a' + i)));
        Write(*sink, lines.back());
    }
    const QStringList files = LogFiles();
    ASSERT_EQ(files.size(), static_cast<int>(c.filesByLine.size()));
    for (size_t f = 0; f < c.filesByLine.size(); ++f) {
        std::string expected;
        for (int line : c.filesByLine[f])
            expected += lines[static_cast<size_t>(line)];
        EXPECT_EQ(Content(files[static_cast<int>(f)]).toStdString(), expected) << "file " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RotationBySize,
    testing::Values(SizeCase{"ThirdOfFortyPassesHundred", 100, {40, 40, 40}, {{0, 1}, {2}}},
                    SizeCase{"ExactFillStays", 100, {60, 40}, {{0, 1}}},
                    SizeCase{"OneByteMoreMoves", 100, {60, 41}, {{0}, {1}}},
                    SizeCase{"OversizedLineGetsAFileOfItsOwn", 100, {10, 250, 10}, {{0}, {1}, {2}}},
                    SizeCase{"OversizedFirstLineLeavesTheFirstFileEmpty", 100, {150, 10}, {{}, {0}, {1}}}),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST_F(RotatingFileModSink, FileNameCarriesTheLocalTime)
{
    const QDateTime fixed(QDate(2026, 12, 9), QTime(9, 5, 7, 42));
    auto sink = MakeSink(100, 10, [fixed] { return fixed; });
    EXPECT_EQ(NameOf(*sink), QStringLiteral("CorvaneLogs_2026-12-09_09-05-07_042.log"));
    EXPECT_EQ(sink->current_filename(), Folder() + "/CorvaneLogs_2026-12-09_09-05-07_042.log");
}

TEST_F(RotatingFileModSink, RotationKeepsAtMostMaxFilesAndNeverTheOpenOne)
{
    auto sink = MakeSink(10, 3);
    for (int i = 0; i < 20; ++i) {
        Write(*sink, "0123456789");
        EXPECT_LE(LogFiles().size(), 3);
        EXPECT_TRUE(LogFiles().contains(NameOf(*sink)));
    }
    EXPECT_EQ(LogFiles().size(), 3);
    EXPECT_EQ(LogFiles().last(), NameOf(*sink));
}

TEST_F(RotatingFileModSink, ClockGoingBackNeverCostsTheOpenFile)
{
    // Each reading is an hour earlier than the one before.
    QDateTime clockTime(QDate(2026, 12, 9), QTime(12, 0));
    auto sink = MakeSink(10, 3, [&clockTime] {
        clockTime = clockTime.addSecs(-3600);
        return clockTime;
    });
    Write(*sink, "0123456789");
    QString previous = NameOf(*sink);
    for (int i = 0; i < 10; ++i) {
        Write(*sink, "0123456789"); // rotates every time
        const QString current = NameOf(*sink);
        EXPECT_GT(current, previous);
        previous = current;
    }
    Write(*sink, "last line!");
    EXPECT_EQ(LogFiles().size(), 3);
    EXPECT_EQ(Content(NameOf(*sink)), QByteArray("last line!"));
}

TEST_F(RotatingFileModSink, FilesFromALaterClockNeverCostTheOpenFile)
{
    // An earlier run stamped its files with a clock that has since been set back.
    for (const char* name : {"CorvaneLogs_2030-01-01_00-00-00_000.log", "CorvaneLogs_2030-01-02_00-00-00_000.log",
                             "CorvaneLogs_2030-01-03_00-00-00_000.log"}) {
        QFile file(QDir(dir.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    auto sink = MakeSink(10, 3);
    Write(*sink, "0123456789");
    Write(*sink, "rotated!!!");
    EXPECT_EQ(LogFiles().size(), 3);
    EXPECT_EQ(Content(NameOf(*sink)), QByteArray("rotated!!!"));
}

TEST_F(RotatingFileModSink, OnlyMatchingNamesAreDeleted)
{
    const QStringList foreign = {QStringLiteral("Other_2000-01-01_00-00-00_000.log"),
                                 QStringLiteral("CorvaneLogs_2000-01-01_00-00-00_000.txt"), QStringLiteral("AAA.log")};
    for (const QString& name : foreign) {
        QFile file(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    auto sink = MakeSink(10, 1);
    for (int i = 0; i < 5; ++i)
        Write(*sink, "0123456789");
    EXPECT_EQ(LogFiles(), QStringList{NameOf(*sink)});
    for (const QString& name : foreign)
        EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath(name))) << name.toStdString();
}

TEST_F(RotatingFileModSink, EveryStartOpensAFileAndDeletesNothing)
{
    QDateTime clockTime(QDate(2026, 12, 9), QTime(12, 0));
    for (int i = 0; i < 6; ++i)
        MakeSink(100, 3, [&clockTime] { return clockTime = clockTime.addSecs(60); });
    EXPECT_EQ(LogFiles().size(), 6);
}

TEST_F(RotatingFileModSink, StartAppendsWhenTheNameExists)
{
    const QDateTime fixed(QDate(2026, 12, 9), QTime(9, 5, 7, 42));
    Write(*MakeSink(100, 10, [fixed] { return fixed; }), "first run ");
    auto second = MakeSink(100, 10, [fixed] { return fixed; });
    Write(*second, "second run");
    EXPECT_EQ(LogFiles().size(), 1);
    EXPECT_EQ(Content(NameOf(*second)), QByteArray("first run second run"));
    Write(*second, "0123456789"); // 30 bytes counted: the existing content counts too
    Write(*second, std::string(71, 'z'));
    EXPECT_EQ(LogFiles().size(), 2);
}

TEST_F(RotatingFileModSink, FirstFileThatCannotBeOpenedThrows)
{
    QFile blocker(QDir(dir.path()).filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    try {
        Sink sink("CorvaneLogs", "log", blocker.fileName().toStdString(), 100, 3, true);
        FAIL() << "opened a file below a plain file";
    } catch (const spdlog::spdlog_ex& e) {
        EXPECT_NE(
            std::string(e.what()).find("Failed opening file " + blocker.fileName().toStdString() + "/CorvaneLogs_"),
            std::string::npos)
            << e.what();
    }
}

TEST_F(RotatingFileModSink, FailedRotationKeepsWritingToTheOldFile)
{
    const QString folder = dir.filePath(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(folder));
    auto sink = std::make_unique<Sink>("CorvaneLogs", "log", folder.toStdString(), 10, 3, true);
    sink->set_formatter(std::make_unique<spdlog::pattern_formatter>("%v", spdlog::pattern_time_type::local, ""));
    Write(*sink, "0123456789");
    const QString firstName = NameOf(*sink);

    // The folder goes away and a plain file takes its name: no new file can open.
    const QString moved = dir.filePath(QStringLiteral("moved"));
    ASSERT_TRUE(QDir().rename(folder, moved));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    // Every attempt fails and says so, and no line is lost.
    EXPECT_THROW(Write(*sink, "kept line!"), spdlog::spdlog_ex);
    EXPECT_THROW(Write(*sink, "and more.."), spdlog::spdlog_ex);
    EXPECT_EQ(NameOf(*sink), firstName);
    QFile old(QDir(moved).filePath(firstName));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("0123456789kept line!and more.."));

    // Once the folder is back, the next rotation succeeds.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().rename(moved, folder));
    Write(*sink, "new file!!");
    EXPECT_NE(NameOf(*sink), firstName);
    QFile next(QDir(folder).filePath(NameOf(*sink)));
    ASSERT_TRUE(next.open(QIODevice::ReadOnly));
    EXPECT_EQ(next.readAll(), QByteArray("new file!!"));
}

TEST_F(RotatingFileModSink, FullDiskCostsNoRealLog)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    const QStringList earlier = {QStringLiteral("CorvaneLogs_2026-12-08_00-00-00_000.log"),
                                 QStringLiteral("CorvaneLogs_2026-12-08_01-00-00_000.log"),
                                 QStringLiteral("CorvaneLogs_2026-12-08_02-00-00_000.log")};
    for (const QString& name : earlier) {
        QFile file(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8());
    }
    // A fixed clock: the sink's next names are the start plus 1, 2, ... ms.
    const QDateTime start(QDate(2026, 12, 9), QTime(9, 5, 7, 42));
    auto sink = MakeSink(20, 3, [start] { return start; });
    const QString first = NameOf(*sink);
    Write(*sink, "0123456789");
    Write(*sink, "abcdefghij");

    // From here the disk is full: every file the sink opens next writes nothing.
    QStringList fullNames;
    for (int i = 1; i <= 10; ++i) {
        const QDateTime stamp = start.addMSecs(i);
        fullNames << stamp.toString(QStringLiteral("'CorvaneLogs_'yyyy-MM-dd_HH-mm-ss_zzz'.log'"));
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), QDir(dir.path()).filePath(fullNames.last())));
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_THROW(Write(*sink, "lost line!"), spdlog::spdlog_ex);

    // One rotation, into the first full file, and no real log deleted for it.
    EXPECT_EQ(NameOf(*sink), fullNames.first());
    for (const QString& name : earlier)
        EXPECT_EQ(Content(name), name.toUtf8());
    EXPECT_EQ(Content(first), QByteArray("0123456789abcdefghij"));
}

} // namespace
