#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstring>

// The device SDK's fixed-size text fields: UTF-8, NUL-terminated when shorter
// than the field. Reading stops at the field's end even without a NUL, so a
// record a device filled to the brim is never read past.
template <std::size_t N>
QString SdkText(const char (&field)[N])
{
    return QString::fromUtf8(field, static_cast<int>(qstrnlen(field, N)));
}

// Writes `text` into a field as UTF-8, cut to fit, always NUL-terminated.
template <std::size_t N>
void SetSdkText(char (&field)[N], const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::strncpy(field, bytes.constData(), N - 1);
    field[N - 1] = '\0';
}
