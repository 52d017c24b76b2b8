#include "AsyncRegistry.h"

#include <boost/asio/post.hpp>

#include <cerrno>
#include <vector>

#include "AsyncQueue.h"
#include "AsyncSocket.h"

namespace zmr::detail {

AsyncRegistry& AsyncRegistry::instance()
{
    // Never destroyed: sockets may be closed from static destructors.
    static auto* registry = new AsyncRegistry;
    return *registry;
}

int AsyncRegistry::createQueue(int threads, AsyncQueue** queue)
{
    if (threads < 1 || threads > 256 || !queue)
        return EINVAL;
    auto created = std::make_unique<AsyncQueue>(threads);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openQueues.insert(created.get());
    *queue = created.release();
    return 0;
}

int AsyncRegistry::destroyQueue(AsyncQueue* queue)
{
    std::vector<std::shared_ptr<AsyncSocket>> bound;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!isOpenLocked(queue))
            return EINVAL;
        // A queue thread cannot join itself.
        if (queue->runsOnCurrentThread())
            return EDEADLK;
        // Closed under the lock: every post and bind that succeeded did so
        // while the work guard held the threads, so it completes below.
        m_openQueues.erase(queue);
        for (auto it = m_sockets.begin(); it != m_sockets.end();) {
            if (&it->second->queue() == queue) {
                bound.push_back(it->second);
                it = m_sockets.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& socket : bound)
        socket->detach();
    queue->drainAndJoin();
    delete queue;
    return 0;
}

int AsyncRegistry::bind(int descriptor, AsyncQueue* queue)
{
    if (descriptor < 0)
        return EBADF;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isOpenLocked(queue))
        return EINVAL;
    const auto existing = m_sockets.find(descriptor);
    if (existing != m_sockets.end())
        return &existing->second->queue() == queue ? 0 : EBUSY;
    auto socket = std::make_shared<AsyncSocket>(descriptor, *queue);
    if (const int error = socket->attach())
        return error;
    m_sockets.emplace(descriptor, std::move(socket));
    return 0;
}

int AsyncRegistry::unbind(int descriptor, AsyncQueue* queue)
{
    std::shared_ptr<AsyncSocket> socket;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_sockets.find(descriptor);
        if (it == m_sockets.end() || (queue && &it->second->queue() != queue))
            return ENOENT;
        socket = std::move(it->second);
        m_sockets.erase(it);
    }
    socket->detach();
    return 0;
}

std::shared_ptr<AsyncSocket> AsyncRegistry::find(int descriptor)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_sockets.find(descriptor);
    return it == m_sockets.end() ? nullptr : it->second;
}

int AsyncRegistry::post(AsyncQueue* queue, int descriptor, int32_t result, uint32_t bytes, void* context,
                        ZMR_ASYNCIO_CALLBACK callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!isOpenLocked(queue))
        return EINVAL;
    if (descriptor != ZMR_INVALID_SOCKET) {
        const auto it = m_sockets.find(descriptor);
        if (it == m_sockets.end() || &it->second->queue() != queue)
            return ENOENT;
        callback = it->second->callbackOr(callback);
    }
    if (!callback)
        return EINVAL;
    // A socket's posted completion runs on its thread, in order with its I/O.
    boost::asio::io_context& target =
        descriptor != ZMR_INVALID_SOCKET ? m_sockets.find(descriptor)->second->context() : queue->nextContext();
    boost::asio::post(target, [=] { callback(result, bytes, context); });
    return 0;
}

} // namespace zmr::detail
