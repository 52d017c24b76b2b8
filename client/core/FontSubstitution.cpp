#include "FontSubstitution.h"

#include <QFont>
#include <QString>

void InstallFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"));
    // The device tree's narrow Latin face; Chinese names in it still come
    // from WenQuanYi through fontconfig's fallback.
    QFont::insertSubstitution(QStringLiteral("Agency FB"), QStringLiteral("DejaVu Sans Condensed"));
}
