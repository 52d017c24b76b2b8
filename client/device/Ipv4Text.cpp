#include "Ipv4Text.h"

#include <QRegularExpression>

bool IsIpv4Text(const QString& text)
{
    static const QRegularExpression dottedQuad(
        QStringLiteral("\\A([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\z"));
    const QRegularExpressionMatch match = dottedQuad.match(text);
    if (!match.hasMatch())
        return false;
    for (int part = 1; part <= 4; ++part)
        if (match.capturedRef(part).toInt() > 255)
            return false;
    return true;
}
