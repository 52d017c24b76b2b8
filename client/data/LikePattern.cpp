#include "LikePattern.h"

QString LikeContainsPattern(const QString& fragment)
{
    QString pattern;
    pattern.reserve(fragment.size() + 2);
    pattern += QLatin1Char('%');
    for (const QChar c : fragment) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    pattern += QLatin1Char('%');
    return pattern;
}
