#include "AsyncQueue.h"

#include <algorithm>

namespace zmr::detail {

AsyncQueue::AsyncQueue(int threads)
    : m_context(threads), m_work(boost::asio::make_work_guard(m_context))
{
    m_threads.reserve(static_cast<size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { m_context.run(); });
    } catch (...) {
        // Threads already running must be joined before the members go.
        drainAndJoin();
        throw;
    }
}

AsyncQueue::~AsyncQueue()
{
    drainAndJoin();
}

bool AsyncQueue::runsOnCurrentThread() const
{
    const auto self = std::this_thread::get_id();
    return std::any_of(m_threads.begin(), m_threads.end(),
                       [self](const std::thread &thread) { return thread.get_id() == self; });
}

void AsyncQueue::drainAndJoin()
{
    m_work.reset();
    for (auto &thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

} // namespace zmr::detail
