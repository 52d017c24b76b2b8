#include "FileIndex.h"

#include "MediaFile.h"

#include <algorithm>

namespace vendaro {

bool FileIndex::build(MediaFile& file, const std::atomic<bool>& stop)
{
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        return false;
    while (!stop && av_read_frame(file.context(), packet) >= 0) {
        if (packet->stream_index == file.videoStreamIndex()) {
            const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (pts != AV_NOPTS_VALUE)
                m_entries.push_back({pts, packet->pos, (packet->flags & AV_PKT_FLAG_KEY) != 0});
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) { return a.pts < b.pts; });
    return !stop;
}

size_t FileIndex::frameAt(int64_t pts) const
{
    const auto after = std::upper_bound(m_entries.begin(), m_entries.end(), pts,
                                        [](int64_t value, const Entry& entry) { return value < entry.pts; });
    return after == m_entries.begin() ? 0 : size_t(after - m_entries.begin()) - 1;
}

size_t FileIndex::keyFrameBefore(size_t frame) const
{
    if (m_entries.empty())
        return 0;
    for (size_t i = std::min(frame, m_entries.size() - 1) + 1; i-- > 0;)
        if (m_entries[i].keyFrame)
            return i;
    return 0;
}

} // namespace vendaro
