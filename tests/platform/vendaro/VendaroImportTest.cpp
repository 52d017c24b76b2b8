// The import library loads libvendaro.so from the program's own folder at the
// first call, and without a usable library there every call fails with
// MAVRO_ERR_NO_LIBRARY and one logged line that says why, whatever the
// working folder holds.
#include "TestClip.h"
#include "Vendaro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kLibrary = QStringLiteral("libvendaro.so");

enum class Beside { BuildFolder, Nothing, NotALibrary, CopyOfLibrary };

struct LayoutCase
{
    const char* name;
    Beside beside; // what lies next to the probe
    bool plays;
};

struct ProbeRun
{
    int exitCode = -1;
    QString output;
    QString errors;
};

class ImportLayout : public testing::TestWithParam<LayoutCase>
{
protected:
    static void SetUpTestSuite()
    {
        s_clip = new TestClip(TestClip::Codec::H264, TestClip::Container::TransportStream, 2, "clip.ts");
    }
    static void TearDownTestSuite()
    {
        delete s_clip;
        s_clip = nullptr;
    }

    // The probe's path once laid out as the case says; the build folder's own
    // probe sits next to the real library.
    QString LayOut(Beside beside)
    {
        const QString built = QStringLiteral(VENDARO_IMPORT_PROBE);
        if (beside == Beside::BuildFolder)
            return built;
        const QString probe = folder.filePath(QFileInfo(built).fileName());
        EXPECT_TRUE(QFile::copy(built, probe));
        QFile::setPermissions(probe, QFile::permissions(built));
        const QString library = folder.filePath(kLibrary);
        if (beside == Beside::NotALibrary) {
            QFile file(library);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("not a shared library\n");
        } else if (beside == Beside::CopyOfLibrary) {
            EXPECT_TRUE(QFile::copy(QFileInfo(built).dir().filePath(kLibrary), library));
        }
        return probe;
    }

    // The working folder is the build folder, which holds the real library:
    // it must make no difference.
    static ProbeRun Run(const QString& probe)
    {
        QProcess process;
        process.setWorkingDirectory(QFileInfo(QStringLiteral(VENDARO_IMPORT_PROBE)).path());
        process.start(probe, {s_clip->path()});
        ProbeRun run;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.errors = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    QTemporaryDir folder;
    static TestClip* s_clip;
};

TestClip* ImportLayout::s_clip = nullptr;

TEST_P(ImportLayout, LoadsTheLibraryBesideTheProgramOrFailsWithOneLine)
{
    ASSERT_FALSE(s_clip->path().isEmpty());
    ASSERT_TRUE(folder.isValid());
    const QString probe = LayOut(GetParam().beside);
    const ProbeRun run = Run(probe);
    SCOPED_TRACE(run.errors.toStdString());
    if (GetParam().plays) {
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_TRUE(run.output.startsWith(QStringLiteral("played "))) << run.output.toStdString();
        EXPECT_FALSE(run.errors.contains(QStringLiteral("cannot be loaded")));
        return;
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output.trimmed(), QStringLiteral("failed %1").arg(MAVRO_ERR_NO_LIBRARY));
    // Logged once for the first call, with the loader's reason naming the
    // file it tried, next to the program.
    EXPECT_EQ(run.errors.count(QStringLiteral("cannot be loaded")), 1);
    EXPECT_TRUE(run.errors.contains(QFileInfo(probe).dir().filePath(kLibrary)));
}

INSTANTIATE_TEST_SUITE_P(Folders, ImportLayout,
                         testing::Values(LayoutCase{"build_folder", Beside::BuildFolder, true},
                                         LayoutCase{"alone", Beside::Nothing, false},
                                         LayoutCase{"beside_a_file_that_is_no_library", Beside::NotALibrary, false},
                                         LayoutCase{"beside_a_copy_of_the_library", Beside::CopyOfLibrary, true}),
                         [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

} // namespace
