// The XDG autostart entry in temporary XDG_CONFIG_HOME folders.
#include "core/AutoStartEntry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <glib.h>
#include <gtest/gtest.h>

namespace {

// The Exec line's program as a desktop session gets it: the key file's string
// escapes undone, then the quoting, then "%%" read as a percent sign.
QString ProgramStartedBy(const QString& entryFile)
{
    GKeyFile* file = g_key_file_new();
    GError* error = nullptr;
    QString program;
    if (g_key_file_load_from_file(file, QFile::encodeName(entryFile).constData(), G_KEY_FILE_NONE, &error)) {
        gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", &error);
        gint argc = 0;
        gchar** argv = nullptr;
        if (exec && g_shell_parse_argv(exec, &argc, &argv, &error) && argc == 1)
            program = QString::fromUtf8(argv[0]).replace(QStringLiteral("%%"), QStringLiteral("%"));
        g_strfreev(argv);
        g_free(exec);
    }
    if (error)
        ADD_FAILURE() << error->message;
    g_clear_error(&error);
    g_key_file_free(file);
    return program;
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class AutoStartEntryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        ASSERT_TRUE(m_config.isValid());
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("HOME", m_oldHome);
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString Entry() const { return m_config.path() + "/autostart/Corvane.desktop"; }

    QTemporaryDir m_home;
    QTemporaryDir m_config;
    QByteArray m_oldHome;
};

TEST_F(AutoStartEntryTest, LivesUnderXdgConfigHomeOrElseTheHomeConfigFolder)
{
    EXPECT_EQ(AutoStartEntry::FilePath(), Entry());
    for (const char* ignored : {"", "relative/config"}) {
        qputenv("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(AutoStartEntry::FilePath(), m_home.path() + "/.config/autostart/Corvane.desktop") << ignored;
    }
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AutoStartEntry::FilePath(), m_home.path() + "/.config/autostart/Corvane.desktop");
}

TEST_F(AutoStartEntryTest, EnableWritesAValidEntryAndDisableRemovesIt)
{
    ASSERT_TRUE(AutoStartEntry::Enable("/opt/corvane/bin/Corvane"));
    EXPECT_EQ(ProgramStartedBy(Entry()), "/opt/corvane/bin/Corvane");
    EXPECT_TRUE(Read(Entry()).contains("\nExec=\"/opt/corvane/bin/Corvane\"\n"));
    EXPECT_TRUE(AutoStartEntry::IsEnabledFor("/opt/corvane/bin/Corvane"));

    QProcess validate;
    validate.start(DESKTOP_FILE_VALIDATE, {Entry()});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    EXPECT_TRUE(validate.readAllStandardOutput().trimmed().isEmpty());

    ASSERT_TRUE(AutoStartEntry::Disable());
    EXPECT_FALSE(QFile::exists(Entry()));
    EXPECT_TRUE(AutoStartEntry::Disable()) << "nothing to remove is not a failure";
    EXPECT_FALSE(AutoStartEntry::IsEnabledFor("/opt/corvane/bin/Corvane"));
}

TEST_F(AutoStartEntryTest, ProgramPathsThatNeedQuotingComeBackUnchanged)
{
    for (const QString& program :
         {QStringLiteral("/home/op/My Programs/Corvane"), QStringLiteral("/opt/a\"quote/Corvane"),
          QStringLiteral("/opt/back\\slash/Corvane"), QStringLiteral("/opt/$HOME`id`/Corvane"),
          QStringLiteral("/opt/100%/Corvane %f"), QStringLiteral("/opt/tab\there;&|<>*?#()~'/Corvane"),
          QStringLiteral("/opt/路况/Corvane")}) {
        ASSERT_TRUE(AutoStartEntry::Enable(program));
        EXPECT_EQ(ProgramStartedBy(Entry()), program);
        EXPECT_TRUE(AutoStartEntry::IsEnabledFor(program));
    }
}

TEST_F(AutoStartEntryTest, AnEntryForAnotherProgramIsRewritten)
{
    ASSERT_TRUE(QDir().mkpath(m_config.path() + "/autostart"));
    QFile stale(Entry());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("[Desktop Entry]\nType=Application\nName=Corvane\nExec=\"/old/place/Corvane\"\n");
    stale.close();

    ASSERT_TRUE(AutoStartEntry::Enable("/new/place/Corvane"));
    EXPECT_EQ(ProgramStartedBy(Entry()), "/new/place/Corvane");
    EXPECT_EQ(Read(Entry()), AutoStartEntry::ContentFor("/new/place/Corvane"));
}

TEST_F(AutoStartEntryTest, FailuresAreReported)
{
    EXPECT_FALSE(AutoStartEntry::Enable("relative/Corvane"));
    EXPECT_FALSE(QFile::exists(Entry()));

    // A file where the config folder should be: nothing can be made below it.
    QFile blocker(m_config.path() + "/blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toLocal8Bit());
    EXPECT_FALSE(AutoStartEntry::Enable("/opt/corvane/Corvane"));
    EXPECT_FALSE(AutoStartEntry::Current().has_value());
}

TEST_F(AutoStartEntryTest, RestoreBringsBackTheEarlierState)
{
    const auto absent = AutoStartEntry::Current();
    ASSERT_FALSE(absent.has_value());
    ASSERT_TRUE(AutoStartEntry::Enable("/opt/one/Corvane"));
    const auto one = AutoStartEntry::Current();
    ASSERT_TRUE(AutoStartEntry::Enable("/opt/two/Corvane"));

    ASSERT_TRUE(AutoStartEntry::Restore(one));
    EXPECT_TRUE(AutoStartEntry::IsEnabledFor("/opt/one/Corvane"));
    ASSERT_TRUE(AutoStartEntry::Restore(absent));
    EXPECT_FALSE(QFile::exists(Entry()));
}

} // namespace
