#include "InputBuffer.h"

namespace vendaro {

InputBuffer::InputBuffer(size_t capacity) : m_capacity(capacity)
{
}

bool InputBuffer::push(const uint8_t* data, size_t size)
{
    // Copy outside the lock so two feeding threads only contend for the append.
    std::vector<uint8_t> block(data, data + size);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || m_bytes + size > m_capacity)
            return false;
        m_bytes += size;
        m_blocks.push_back(std::move(block));
    }
    m_ready.notify_one();
    return true;
}

bool InputBuffer::pop(std::vector<uint8_t>& block, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_ready.wait_for(lock, timeout, [this] { return m_closed || !m_blocks.empty(); }) || m_blocks.empty())
        return false;
    block = std::move(m_blocks.front());
    m_blocks.pop_front();
    m_bytes -= block.size();
    return true;
}

void InputBuffer::close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
}

void InputBuffer::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_blocks.clear();
    m_bytes = 0;
}

} // namespace vendaro
