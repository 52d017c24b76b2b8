#include "core/ApplicationDir.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ApplicationDir, EnvironmentVariableReplacesProgramFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("CORVANE_APP_DIR", dir.path().toLocal8Bit());
    EXPECT_EQ(ApplicationDirPath(), QDir::cleanPath(dir.path()));
    EXPECT_EQ(ApplicationDir().absolutePath(), QDir(dir.path()).absolutePath());
    qunsetenv("CORVANE_APP_DIR");
}

TEST(ApplicationDir, WithoutVariableIsProgramFolder)
{
    qunsetenv("CORVANE_APP_DIR");
    int argc = 1;
    char name[] = "test_application_dir";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(ApplicationDirPath(), QFileInfo("/proc/self/exe").canonicalFilePath().section('/', 0, -2));
}
