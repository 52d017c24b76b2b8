#pragma once
// Buffers of alarm frames, used again frame after frame. A flood of alarms of
// a few hundred kilobytes each would otherwise take and free one such buffer
// per alarm: the allocator serves them from fresh pages (a page fault and a
// zeroed page each 4 KiB) and keeps the heap they grew long after the flood.
// A few buffers are kept for the next frames; more, or larger ones, are freed.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tessoran {

class FramePool
{
public:
    static constexpr size_t kKeptBuffers = 16;
    static constexpr size_t kLargestKept = size_t(1) << 20;

    // An empty buffer, with the capacity it had when given back.
    std::vector<uint8_t> take();
    // Any thread: the buffer is kept for a later frame or freed.
    void give(std::vector<uint8_t>&& buffer);

    size_t kept() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<uint8_t>> free_;
};

} // namespace tessoran
