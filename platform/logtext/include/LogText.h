#pragma once
// A log line is one line of readable text whatever its message holds. Device
// names, user names, plates, addresses and RTSP headers come from anyone who
// reaches the client: a line end in them would forge a log line, an ESC would
// drive the operator's terminal, a NUL would cut the line short and bytes that
// are no UTF-8 would garble it. So every message is escaped on its way to a sink:
// C0 and C1 controls, DEL, line and paragraph separators and the bidirectional
// overrides become \r, \n, \t, \0, \xHH or \u{HHHH}, and each byte of a broken
// UTF-8 sequence becomes \xHH. Valid UTF-8 (Chinese included) stays as it is.

#include <spdlog/pattern_formatter.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace logtext {

namespace detail {

// Length of the well-formed UTF-8 sequence at `text`, its code point in `point`;
// 0 when the bytes there are no valid sequence.
inline size_t decodeUtf8(const unsigned char* text, size_t size, char32_t& point)
{
    const unsigned char lead = text[0];
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (size < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (text[i] & 0x3F);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    if (overlong || surrogate || point > 0x10FFFF)
        return 0;
    return length;
}

// Code points a terminal or viewer would act on rather than show.
inline bool isControlPoint(char32_t point)
{
    return (point >= 0x80 && point <= 0x9F) || point == 0x2028 || point == 0x2029 ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069) || point == 0x200E ||
           point == 0x200F || point == 0x061C;
}

template <typename Out>
void appendText(Out& out, const char* text, size_t size)
{
    out.append(text, text + size);
}

template <typename Out>
void appendHex(Out& out, const char* prefix, uint32_t value, int digits, const char* suffix)
{
    static const char kDigits[] = "0123456789ABCDEF";
    char buffer[16];
    size_t n = 0;
    for (const char* p = prefix; *p; ++p)
        buffer[n++] = *p;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        buffer[n++] = kDigits[(value >> shift) & 0xF];
    for (const char* p = suffix; *p; ++p)
        buffer[n++] = *p;
    appendText(out, buffer, n);
}

template <typename Out>
void appendControlByte(Out& out, unsigned char byte)
{
    switch (byte) {
    case '\r': return appendText(out, "\\r", 2);
    case '\n': return appendText(out, "\\n", 2);
    case '\t': return appendText(out, "\\t", 2);
    case '\0': return appendText(out, "\\0", 2);
    default: return appendHex(out, "\\x", byte, 2, "");
    }
}

} // namespace detail

// Appends `text` escaped to `out` (a std::string or an fmt memory buffer).
template <typename Out>
void appendEscaped(Out& out, std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t plainFrom = 0; // plain runs are copied whole
    size_t i = 0;
    auto flushPlain = [&] { detail::appendText(out, text.data() + plainFrom, i - plainFrom); };
    while (i < size) {
        const unsigned char byte = bytes[i];
        if (byte >= 0x20 && byte < 0x7F) {
            ++i;
            continue;
        }
        if (byte < 0x80) {
            flushPlain();
            detail::appendControlByte(out, byte);
            plainFrom = ++i;
            continue;
        }
        char32_t point = 0;
        const size_t length = detail::decodeUtf8(bytes + i, size - i, point);
        if (length == 0) {
            flushPlain();
            detail::appendHex(out, "\\x", byte, 2, "");
            plainFrom = ++i;
        } else if (detail::isControlPoint(point)) {
            flushPlain();
            detail::appendHex(out, "\\u{", point, 4, "}");
            plainFrom = i += length;
        } else {
            i += length;
        }
    }
    flushPlain();
}

inline std::string escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

// The pattern flag for the escaped message, used in place of spdlog's %v.
class EscapedMessageFlag final : public spdlog::custom_flag_formatter
{
public:
    static constexpr char kFlag = '*';

    void format(const spdlog::details::log_msg& msg, const std::tm&, spdlog::memory_buf_t& dest) override
    {
        appendEscaped(dest, std::string_view(msg.payload.data(), msg.payload.size()));
    }
    std::unique_ptr<spdlog::custom_flag_formatter> clone() const override
    {
        return std::make_unique<EscapedMessageFlag>();
    }
};

// A formatter for `pattern`, whose %* is the escaped message; further custom
// flags may be given.
inline std::unique_ptr<spdlog::formatter> makeEscapingFormatter(
    const std::string& pattern, spdlog::pattern_time_type time = spdlog::pattern_time_type::local,
    const std::string& lineEnd = spdlog::details::os::default_eol, spdlog::pattern_formatter::custom_flags flags = {})
{
    flags[EscapedMessageFlag::kFlag] = std::make_unique<EscapedMessageFlag>();
    return std::make_unique<spdlog::pattern_formatter>(pattern, time, lineEnd, std::move(flags));
}

} // namespace logtext
