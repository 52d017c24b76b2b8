#include "rtp/CRtspStreamFramer.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kContentLength = "content-length:";
constexpr size_t kInterleavedHeaderSize = 4;

size_t FindHeaderEnd(const char* text, size_t available)
{
    const std::string_view view(text, available);
    const size_t at = view.find(kHeaderEnd);
    return at == std::string_view::npos ? 0 : at + kHeaderEnd.size();
}

// The Content-Length value of a header block, or 0 when it has none. Header
// names are case-insensitive (RFC 2326 follows HTTP here), and only a line of
// the header counts, never text of the body.
long ContentLength(std::string_view header, bool& invalid)
{
    size_t line = 0;
    while (line < header.size()) {
        const size_t end = header.find("\r\n", line);
        if (end == std::string_view::npos)
            break;
        const std::string_view text = header.substr(line, end - line);
        if (text.size() >= kContentLength.size() &&
            strncasecmp(text.data(), kContentLength.data(), kContentLength.size()) == 0) {
            size_t i = kContentLength.size();
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
                ++i;
            bool negative = false;
            if (i < text.size() && (text[i] == '-' || text[i] == '+'))
                negative = text[i++] == '-';
            long value = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
                value = value * 10 + (text[i] - '0');
                if (value >= long(CRtspStreamFramer::kBufferSize)) {
                    invalid = true;
                    return 0;
                }
            }
            if (negative && value > 0)
                invalid = true;
            return negative ? -value : value;
        }
        line = end + 2;
    }
    return 0;
}

} // namespace

void CRtspStreamFramer::Reset()
{
    m_fill = 0;
}

long CRtspStreamFramer::MessageSize(const char* text, size_t available)
{
    const size_t headerSize = FindHeaderEnd(text, available);
    if (headerSize == 0)
        return 0;
    bool invalid = false;
    const long body = ContentLength(std::string_view(text, headerSize), invalid);
    const long total = long(headerSize) + body;
    if (invalid || total < 0 || total >= long(kBufferSize))
        return -1;
    return total;
}

CRtspStreamFramer::Result CRtspStreamFramer::Commit(size_t bytes, Sink& sink)
{
    Data(); // makes the own buffer when none is attached
    m_fill += std::min(bytes, FreeSize());
    size_t offset = 0;
    while (offset < m_fill) {
        const uint8_t* p = m_data + offset;
        const size_t available = m_fill - offset;
        if (*p == 0) { // stray terminators between messages
            ++offset;
            continue;
        }
        if (*p == '$') {
            if (available < kInterleavedHeaderSize)
                break;
            const size_t length = (size_t(p[2]) << 8) | p[3];
            if (available < kInterleavedHeaderSize + length)
                break;
            sink.OnInterleavedFrame(p[1], p + kInterleavedHeaderSize, length);
            offset += kInterleavedHeaderSize + length;
            continue;
        }
        const long size = MessageSize(reinterpret_cast<const char*>(p), available);
        if (size < 0) {
            // A length we can never hold: what follows cannot be framed.
            m_fill = 0;
            m_data[0] = 0;
            return Result::TooLarge;
        }
        if (size == 0 || size_t(size) > available)
            break;
        // Terminated in place for the call: the buffer has room past its end.
        uint8_t* end = m_data + offset + size_t(size);
        const uint8_t saved = *end;
        *end = 0;
        sink.OnRtspMessage(reinterpret_cast<const char*>(p), size_t(size));
        *end = saved;
        offset += size_t(size);
    }
    if (offset > 0) {
        std::memmove(m_data, m_data + offset, m_fill - offset);
        m_fill -= offset;
    }
    m_data[m_fill] = 0;
    return m_fill == kBufferSize ? Result::BufferFull : Result::NeedMore;
}
