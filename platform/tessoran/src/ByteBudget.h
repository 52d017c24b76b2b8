#pragma once
// Bytes of alarm frames the process holds (being received or waiting for the
// callback), under one limit. A frame's whole announced length is reserved
// before its body is read, so frames that started can always finish and the
// buffers never exceed the limit; a frame larger than the limit passes alone.

#include <cstddef>
#include <mutex>

namespace tessoran {

class ByteBudget
{
public:
    bool tryReserve(size_t bytes, size_t limit)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (used_ != 0 && used_ + bytes > limit)
            return false;
        used_ += bytes;
        return true;
    }
    void release(size_t bytes)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        used_ -= bytes;
    }
    size_t used() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return used_;
    }

private:
    mutable std::mutex mutex_;
    size_t used_ = 0;
};

} // namespace tessoran
