// dumpread on a dump the crash handler wrote, and on the same dump cut short
// or damaged: only a whole, well-formed dump has its frames printed.
#include "core/CrashDumpHandler.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct ReadResult
{
    int exitCode = -1;
    QString output;
    QString error;
};

ReadResult Read(const QString& path)
{
    QProcess reader;
    reader.start(DUMPREAD, {path});
    ReadResult result;
    if (!reader.waitForFinished(60000))
        return result;
    result.exitCode = reader.exitStatus() == QProcess::NormalExit ? reader.exitCode() : -1;
    result.output = QString::fromUtf8(reader.readAllStandardOutput());
    result.error = QString::fromUtf8(reader.readAllStandardError());
    return result;
}

class DumpRead : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        std::string id;
        auto remember = [](const char*, const char* dumpId, void* context, const CrashContext*, const AssertionRecord*,
                           bool succeeded) {
            *static_cast<std::string*>(context) = dumpId;
            return succeeded;
        };
        ASSERT_TRUE(CrashDumpHandler::WriteDumpNow(dir.path().toStdString(), remember, &id));
        QFile file(dir.path() + "/" + QString::fromStdString(id) + ".dmp");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        whole = file.readAll();
        ASSERT_TRUE(whole.endsWith("\nend\n"));
    }

    QString Write(const QByteArray& content)
    {
        const QString path = dir.path() + QString("/case-%1.dmp").arg(++cases);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

    QTemporaryDir dir;
    QByteArray whole;
    int cases = 0;
};

TEST_F(DumpRead, AWholeDumpHasItsFramesNamed)
{
    const ReadResult result = Read(Write(whole));
    EXPECT_EQ(result.exitCode, 0) << result.error.toStdString();
    EXPECT_TRUE(result.output.contains("\n#0 ")) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("test_dumpread")) << result.output.toStdString();
}

TEST_F(DumpRead, CutOrDamagedDumpsAreRefusedWithoutFrames)
{
    const int firstFrame = whole.indexOf("\nret ");
    const int maps = whole.indexOf("\nmaps:\n");
    ASSERT_GT(firstFrame, 0);
    ASSERT_GT(maps, firstFrame);
    QByteArray oneFrameLess = whole;
    oneFrameLess.remove(firstFrame, whole.indexOf('\n', firstFrame + 1) - firstFrame);
    QByteArray badAddress = whole;
    badAddress.replace(firstFrame + 5, 2, "zz");
    QByteArray newerVersion = whole;
    newerVersion.replace(0, 20, "CORVANE CRASH DUMP 2");

    const struct
    {
        const char* name;
        QByteArray content;
        const char* message;
    } cases[] = {
        {"cut in half", whole.left(whole.size() / 2), "truncated crash dump"},
        {"cut inside a frame", whole.left(firstFrame + 8), "truncated crash dump"},
        {"cut before the maps", whole.left(maps + 1), "truncated crash dump"},
        {"no final line feed", whole.left(whole.size() - 1), "truncated crash dump"},
        {"a frame missing", oneFrameLess, "frames announced"},
        {"an address that is not hexadecimal", badAddress, "a frame without a valid address"},
        {"another version", newerVersion, "unknown crash dump version"},
        {"empty", QByteArray(), "empty file"},
        {"text", "These are notes.\nend\n", "not a crash dump"},
        {"header only", "CORVANE CRASH DUMP 1\nend\n", "malformed crash dump: no \"dump-id\" line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult result = Read(Write(c.content));
        EXPECT_NE(result.exitCode, 0);
        EXPECT_TRUE(result.error.contains(c.message)) << result.error.toStdString();
        EXPECT_FALSE(result.output.contains("#0")) << result.output.toStdString();
    }
}

TEST_F(DumpRead, AMissingFileIsReported)
{
    const ReadResult result = Read(dir.path() + "/absent.dmp");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.error.contains("cannot open")) << result.error.toStdString();
}

} // namespace
