#include "core/FontSubstitution.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <gtest/gtest.h>

// Qt's offscreen platform plug-in never frees the screen it creates; the leak
// checker of the sanitizer build reads this hook.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}

TEST(FontSubstitution, ChineseUiFamilyResolvesToWenQuanYi)
{
    int argc = 1;
    char name[] = "test_font_substitution";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_TRUE(QFontDatabase().families().contains(QStringLiteral("WenQuanYi Micro Hei")))
        << "fonts-wqy-microhei is not installed";

    InstallFontSubstitutions();

    EXPECT_EQ(QFont::substitute(QStringLiteral("微软雅黑")).compare(QStringLiteral("WenQuanYi Micro Hei"),
                                                               Qt::CaseInsensitive),
              0);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("微软雅黑"), 12)).family(), QStringLiteral("WenQuanYi Micro Hei"));
}
