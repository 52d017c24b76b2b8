#ifndef ZMR_ASYNCREGISTRY_H
#define ZMR_ASYNCREGISTRY_H

#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "zmr.h"

namespace zmr::detail {

class AsyncQueue;
class AsyncSocket;

// The process-wide table of live queues and of the sockets bound to them.
// Handles are checked against it, so a stale or unknown queue handle or an
// unbound descriptor fails cleanly instead of reaching freed memory.
class AsyncRegistry
{
public:
    static AsyncRegistry& instance();

    // Each returns 0 or an errno; a failure to get descriptors, threads or
    // memory throws, and the C entry points turn it into its errno.
    int createQueue(int threads, AsyncQueue** queue);
    int destroyQueue(AsyncQueue* queue);
    int bind(int descriptor, AsyncQueue* queue);
    // A null queue unbinds from whichever queue the socket is bound to;
    // returns ENOENT when it is not bound (there).
    int unbind(int descriptor, AsyncQueue* queue);
    std::shared_ptr<AsyncSocket> find(int descriptor);
    int post(AsyncQueue* queue, int descriptor, int32_t result, uint32_t bytes, void* context,
             ZMR_ASYNCIO_CALLBACK callback);

private:
    AsyncRegistry() = default;

    bool isOpenLocked(AsyncQueue* queue) const { return queue && m_openQueues.count(queue) != 0; }

    std::mutex m_mutex;
    // Queues that accept work; a queue being destroyed has already left it.
    std::set<AsyncQueue*> m_openQueues;
    std::map<int, std::shared_ptr<AsyncSocket>> m_sockets;
};

} // namespace zmr::detail

#endif
