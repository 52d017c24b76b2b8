#include "FramePool.h"

#include <utility>

namespace tessoran {

std::vector<uint8_t> FramePool::take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty())
        return {};
    std::vector<uint8_t> buffer = std::move(free_.back());
    free_.pop_back();
    return buffer;
}

void FramePool::give(std::vector<uint8_t>&& buffer)
{
    std::vector<uint8_t> taken = std::move(buffer);
    if (taken.capacity() == 0 || taken.capacity() > kLargestKept)
        return; // freed here, outside the lock
    taken.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.size() < kKeptBuffers)
        free_.push_back(std::move(taken));
}

size_t FramePool::kept() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return free_.size();
}

} // namespace tessoran
