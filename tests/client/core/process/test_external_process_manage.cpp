#include "core/ExternalProcessManage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ExternalProcessManageTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("CORVANE_APP_DIR", m_dir.path().toLocal8Bit());
    }
    void TearDown() override
    {
        m_manager.StopProcess();
        qunsetenv("CORVANE_APP_DIR");
    }

    QString Script(const QString& relativePath, const QByteArray& body, bool executable = true)
    {
        const QString path = m_dir.path() + "/" + relativePath;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            permissions |= QFile::ExeOwner;
        file.setPermissions(permissions);
        return path;
    }

    QTemporaryDir m_dir;
    ExternalProcessManage m_manager;
    QSignalSpy m_errors{&m_manager, &ExternalProcessManage::ErrMsgSig};
    QSignalSpy m_finished{m_manager.Process(), qOverload<int, QProcess::ExitStatus>(&QProcess::finished)};
};

TEST_F(ExternalProcessManageTest, MissingProgramIsReportedOnceAndNothingStarts)
{
    m_manager.StartProcess(m_dir.path() + "/VLC/vlc");

    ASSERT_EQ(m_errors.count(), 1);
    EXPECT_EQ(m_errors.first().first().toString(), "vlc is not exists");
    EXPECT_EQ(m_manager.Process()->state(), QProcess::NotRunning);
}

TEST_F(ExternalProcessManageTest, PathWithSpacesStartsTheWholePath)
{
    const QString marker = m_dir.path() + "/ran";
    const QString player = Script("media player/VLC/vlc", "touch '" + marker.toUtf8() + "'");

    m_manager.StartProcess(player);

    ASSERT_TRUE(m_finished.wait(10000));
    EXPECT_EQ(m_finished.first().at(1).value<QProcess::ExitStatus>(), QProcess::NormalExit);
    EXPECT_EQ(m_finished.first().at(0).toInt(), 0);
    EXPECT_TRUE(QFile::exists(marker));
    EXPECT_EQ(m_errors.count(), 0);
}

TEST_F(ExternalProcessManageTest, ProgramThatCannotStartIsReported)
{
    const QString player = Script("VLC/vlc", "exit 0", false);

    m_manager.StartProcess(player);

    ASSERT_TRUE(m_errors.count() == 1 || m_errors.wait(10000));
    EXPECT_EQ(m_errors.first().first().toString(), "vlc FailedToStart");
}

TEST_F(ExternalProcessManageTest, CrashingProgramIsReported)
{
    const QString player = Script("VLC/vlc", "kill -SEGV $$");

    m_manager.StartProcess(player);

    ASSERT_TRUE(m_finished.wait(10000));
    EXPECT_EQ(m_finished.first().at(1).value<QProcess::ExitStatus>(), QProcess::CrashExit);
    ASSERT_EQ(m_errors.count(), 1);
    EXPECT_EQ(m_errors.first().first().toString(), "vlc Crashed");
}

TEST_F(ExternalProcessManageTest, SecondStartWhileRunningKeepsTheFirstProcess)
{
    const QString player = Script("VLC/vlc", "sleep 30");
    m_manager.StartProcess(player);
    ASSERT_TRUE(m_manager.Process()->waitForStarted(10000));
    const qint64 firstPid = m_manager.Process()->processId();

    m_manager.StartProcess(player);

    EXPECT_EQ(m_manager.Process()->processId(), firstPid);
    EXPECT_EQ(m_manager.Process()->state(), QProcess::Running);
    EXPECT_EQ(m_errors.count(), 0);
}

TEST_F(ExternalProcessManageTest, PlayerPathPrefersTheBundledPlayer)
{
    const QByteArray savedPath = qgetenv("PATH");
    QTemporaryDir pathDir;
    QFile onPath(pathDir.path() + "/vlc");
    ASSERT_TRUE(onPath.open(QIODevice::WriteOnly));
    onPath.close();
    onPath.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", pathDir.path().toLocal8Bit());

    EXPECT_EQ(ExternalProcessManage::PlayerPath(), pathDir.path() + "/vlc");
    const QString bundled = Script("VLC/vlc", "exit 0");
    EXPECT_EQ(ExternalProcessManage::PlayerPath(), bundled);

    qputenv("PATH", QByteArray("/nonexistent"));
    QFile::remove(bundled);
    EXPECT_EQ(ExternalProcessManage::PlayerPath(), bundled);
    qputenv("PATH", savedPath);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
