#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vendaro {

class MediaFile;

// Every video frame of a file in display order, with where its packet
// starts, so stepping can seek to the key frame before a frame.
class FileIndex
{
public:
    struct Entry
    {
        int64_t pts = 0;      // video stream time base
        int64_t position = 0; // byte offset of the packet, -1 when unknown
        bool keyFrame = false;
    };

    // Reads the whole file once without decoding. Returns false when stopped.
    bool build(MediaFile& file, const std::atomic<bool>& stop);

    size_t size() const { return m_entries.size(); }
    const Entry& at(size_t frame) const { return m_entries[frame]; }
    // The frame shown at `pts`: the last one that starts at or before it.
    size_t frameAt(int64_t pts) const;
    // The key frame at or before `frame`; 0 when there is none.
    size_t keyFrameBefore(size_t frame) const;

private:
    std::vector<Entry> m_entries;
};

} // namespace vendaro
