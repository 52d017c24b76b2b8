#pragma once

#include <QString>
#include <fmt/format.h>

// Lets log calls take QString arguments: they are written as their UTF-8 bytes,
// with the width, fill and alignment options of a string.
template <>
struct fmt::formatter<QString> : fmt::formatter<fmt::string_view>
{
    template <typename FormatContext>
    auto format(const QString& text, FormatContext& ctx) const -> decltype(ctx.out())
    {
        const QByteArray utf8 = text.toUtf8();
        return fmt::formatter<fmt::string_view>::format(
            fmt::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), ctx);
    }
};
