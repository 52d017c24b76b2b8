#include "core/LanguageManage.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Shown()
{
    return QCoreApplication::translate("QObject", "拥堵");
}

// An application folder of its own with both translation files, so each test
// decides which of them are missing or broken.
class LanguageManageTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("CORVANE_APP_DIR", m_dir.path().toLocal8Bit());
        for (const char* name : {"corvane_zh.qm", "corvane_en.qm"})
            ASSERT_TRUE(QFile::copy(QString(CORVANE_BIN_DIR) + "/" + name, m_dir.path() + "/" + name));
    }
    void TearDown() override { qunsetenv("CORVANE_APP_DIR"); }

    // Brings the singleton to a known language whatever an earlier test left.
    void StartIn(int language)
    {
        manager->SwitchLanguage(language == LanguageManage::Chinese ? LanguageManage::English
                                                                    : LanguageManage::Chinese);
        manager->SwitchLanguage(language);
        ASSERT_EQ(manager->CurrentLanguage(), language);
    }

    void Break(const char* name)
    {
        QFile file(m_dir.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("this is not a translation file");
    }

    QTemporaryDir m_dir;
    LanguageManage* manager = LanguageManage::GetInstance();
};

TEST_F(LanguageManageTest, SwitchesBackAndForthWithOneSignalEach)
{
    StartIn(LanguageManage::Chinese);
    QSignalSpy changes(manager, &LanguageManage::languageChangeSig);

    manager->SwitchLanguage(LanguageManage::English);
    EXPECT_EQ(Shown(), "Congestion");
    // Month and day names follow too (the calendars read the default locale).
    EXPECT_EQ(QLocale().standaloneMonthName(12, QLocale::ShortFormat), "Dec");
    manager->SwitchLanguage(LanguageManage::Chinese);
    EXPECT_EQ(Shown(), "拥堵");
    EXPECT_EQ(QLocale().standaloneMonthName(12, QLocale::ShortFormat), "12月");

    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(manager->CurrentLanguage(), LanguageManage::Chinese);
}

TEST_F(LanguageManageTest, SameLanguageAndUnknownCodesChangeNothing)
{
    StartIn(LanguageManage::English);
    QSignalSpy changes(manager, &LanguageManage::languageChangeSig);

    for (int code : {LanguageManage::English, LanguageManage::NoLanguage, 3, -1})
        manager->SwitchLanguage(code);

    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(manager->CurrentLanguage(), LanguageManage::English);
    EXPECT_EQ(Shown(), "Congestion");
}

class BrokenTranslation : public LanguageManageTest, public testing::WithParamInterface<bool>
{ };

TEST_P(BrokenTranslation, KeepsTheWorkingTranslation)
{
    StartIn(LanguageManage::English);
    if (GetParam())
        Break("corvane_zh.qm");
    else
        ASSERT_TRUE(QFile::remove(m_dir.path() + "/corvane_zh.qm"));
    QSignalSpy changes(manager, &LanguageManage::languageChangeSig);

    manager->SwitchLanguage(LanguageManage::Chinese);

    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(manager->CurrentLanguage(), LanguageManage::English);
    EXPECT_EQ(Shown(), "Congestion");
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenTranslation, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Corrupt" : "Missing"; });

TEST_F(LanguageManageTest, FileNamesFollowTheApplicationFolder)
{
    EXPECT_EQ(LanguageManage::TranslationFile(0), m_dir.path() + "/corvane_zh.qm");
    EXPECT_EQ(LanguageManage::TranslationFile(1), m_dir.path() + "/corvane_en.qm");
    EXPECT_TRUE(LanguageManage::TranslationFile(2).isEmpty());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
