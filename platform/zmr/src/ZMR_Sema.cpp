#include "ZMR_Sema.h"

#include <chrono>

ZMR_Sema::ZMR_Sema(unsigned int initial, unsigned int maximum)
    : m_count(initial < maximum ? initial : maximum), m_maximum(maximum)
{
}

int ZMR_Sema::Post()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_count >= m_maximum)
            return -1;
        ++m_count;
    }
    m_posted.notify_one();
    return 0;
}

int ZMR_Sema::TimedWait(unsigned int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_posted.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_count > 0; }))
        return -1;
    --m_count;
    return 0;
}

int ZMR_Sema::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_posted.wait(lock, [this] { return m_count > 0; });
    --m_count;
    return 0;
}
