#include "FontSubstitution.h"

#include <QFont>
#include <QString>

void InstallFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"));
}
