#include "AsyncQueue.h"

#include <algorithm>

#include <boost/asio/ip/udp.hpp>

namespace zmr::detail {

AsyncQueue::AsyncQueue(int threads)
{
    m_lanes.reserve(static_cast<size_t>(threads));
    try {
        for (int i = 0; i < threads; ++i) {
            m_lanes.push_back(std::make_unique<Lane>());
            Lane* lane = m_lanes.back().get();
            // asio makes a context's reactor (three descriptors) with its
            // first socket; made now, a queue's descriptors stay constant
            // however its sockets come and go.
            boost::asio::ip::udp::socket reactorMaker(lane->context);
            lane->thread = std::thread([lane] { lane->context.run(); });
        }
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

boost::asio::io_context& AsyncQueue::nextContext()
{
    return m_lanes[m_next.fetch_add(1, std::memory_order_relaxed) % m_lanes.size()]->context;
}

bool AsyncQueue::runsOnCurrentThread() const
{
    const auto self = std::this_thread::get_id();
    return std::any_of(m_lanes.begin(), m_lanes.end(),
                       [self](const std::unique_ptr<Lane>& lane) { return lane->thread.get_id() == self; });
}

void AsyncQueue::drainAndJoin()
{
    for (auto& lane : m_lanes)
        lane->work.reset();
    for (auto& lane : m_lanes) {
        if (lane->thread.joinable())
            lane->thread.join();
    }
}

} // namespace zmr::detail
