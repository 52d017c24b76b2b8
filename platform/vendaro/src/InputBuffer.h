#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace vendaro {

// Bounded queue of copied input blocks between the feeding threads and a
// port's decoding thread. push never waits: a block that does not fit is
// refused, so a live source can drop it instead of stalling.
class InputBuffer
{
public:
    explicit InputBuffer(size_t capacity);

    bool push(const uint8_t* data, size_t size);
    // Waits until a block is there, the buffer is closed or the timeout passes.
    bool pop(std::vector<uint8_t>& block, std::chrono::milliseconds timeout);
    void close();
    void clear();
    size_t capacity() const { return m_capacity; }

private:
    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::vector<uint8_t>> m_blocks;
    size_t m_bytes = 0;
    bool m_closed = false;
};

} // namespace vendaro
