#include "core/FontSubstitution.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <gtest/gtest.h>

TEST(FontSubstitution, ChineseUiFamilyResolvesToWenQuanYi)
{
    int argc = 1;
    char name[] = "test_font_substitution";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_TRUE(QFontDatabase().families().contains(QStringLiteral("WenQuanYi Micro Hei")))
        << "fonts-wqy-microhei is not installed";

    InstallFontSubstitutions();

    EXPECT_EQ(QFont::substitute(QStringLiteral("微软雅黑"))
                  .compare(QStringLiteral("WenQuanYi Micro Hei"), Qt::CaseInsensitive),
              0);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("微软雅黑"), 12)).family(), QStringLiteral("WenQuanYi Micro Hei"));
}

TEST(FontSubstitution, DeviceTreeFamilyResolvesToACondensedFace)
{
    int argc = 1;
    char name[] = "test_font_substitution";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_TRUE(QFontDatabase().families().contains(QStringLiteral("DejaVu Sans Condensed")))
        << "fonts-dejavu-extra is not installed";

    InstallFontSubstitutions();

    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Agency FB"), 10)).family(), QStringLiteral("DejaVu Sans Condensed"));
}
