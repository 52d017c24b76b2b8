#include "rtp/CRtpStreamFramer.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kFrameHeaderSize = 4;
}

CRtpStreamFramer::CRtpStreamFramer(bool cascade) : m_cascade(cascade)
{
}

size_t CRtpStreamFramer::FrameLength(const uint8_t* header) const
{
    if (m_cascade)
        return ((size_t(header[3]) << 8) | header[2]) * 4;
    return (size_t(header[2]) << 8) | header[3];
}

void CRtpStreamFramer::Commit(size_t bytes, Sink& sink)
{
    Data(); // makes the own buffer when none is attached
    m_fill += std::min(bytes, FreeSize());
    size_t offset = 0;
    while (m_fill - offset >= kFrameHeaderSize) {
        const uint8_t* p = m_data + offset;
        if (*p != '$') {
            ++offset;
            continue;
        }
        const size_t length = FrameLength(p);
        if (kFrameHeaderSize + length > kBufferSize) {
            offset = m_fill; // can never be held: start over with the next data
            break;
        }
        if (m_fill - offset < kFrameHeaderSize + length)
            break;
        sink.OnStreamFrame(p[1], p + kFrameHeaderSize, length);
        offset += kFrameHeaderSize + length;
    }
    if (offset > 0) {
        std::memmove(m_data, m_data + offset, m_fill - offset);
        m_fill -= offset;
    }
}
