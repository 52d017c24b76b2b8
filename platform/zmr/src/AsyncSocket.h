#ifndef ZMR_ASYNCSOCKET_H
#define ZMR_ASYNCSOCKET_H

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "zmr.h"

namespace zmr::detail {

class AsyncQueue;

// A socket bound to a completion queue. The descriptor stays the caller's:
// detach() hands it back (blocking mode restored) and cancels whatever is
// pending. Every operation started here completes exactly once; handlers keep
// the object alive through shared_from_this, so a completion can never reach
// a later socket that reuses the descriptor number.
class AsyncSocket : public std::enable_shared_from_this<AsyncSocket>
{
public:
    AsyncSocket(int descriptor, AsyncQueue& queue);
    AsyncSocket(const AsyncSocket&) = delete;
    AsyncSocket& operator=(const AsyncSocket&) = delete;

    // 0, or the errno why the descriptor cannot be driven by the queue.
    int attach();
    void detach();
    AsyncQueue& queue() const { return m_queue; }
    // The queue thread's context the socket's completions run on.
    boost::asio::io_context& context() const { return *m_context; }

    void setDefaultCallback(ZMR_ASYNCIO_CALLBACK callback);
    // The given callback, else the socket's default one (may be null).
    ZMR_ASYNCIO_CALLBACK callbackOr(ZMR_ASYNCIO_CALLBACK callback);

    // Each returns 0 when the operation started, else an errno.
    int receive(void* buffer, uint32_t length, void* context, ZMR_ASYNCIO_CALLBACK callback);
    int receiveFrom(void* buffer, uint32_t length, void* context, ZMR_ADDR* from, ZMR_ASYNCIO_CALLBACK callback);
    int send(const void* data, uint32_t length, void* context, ZMR_ASYNCIO_CALLBACK callback);
    int sendTo(const void* data, uint32_t length, void* context, const ZMR_ADDR& to, ZMR_ASYNCIO_CALLBACK callback);

private:
    struct PendingSend
    {
        std::vector<char> data;
        size_t written = 0;
        void* context = nullptr;
        ZMR_ASYNCIO_CALLBACK callback = nullptr;
    };

    bool attachedLocked() const { return m_tcp.has_value() || m_udp.has_value(); }
    // Resolves the callback (the socket's default when null); 0 when an
    // operation can start, else the errno.
    int startableLocked(ZMR_ASYNCIO_CALLBACK& callback) const;
    void writeFrontLocked();
    void onWritten(const boost::system::error_code& error, size_t bytes);
    void abortSendsLocked(std::unique_lock<std::mutex>& lock);

    const int m_descriptor;
    AsyncQueue& m_queue;
    boost::asio::io_context* const m_context;
    std::mutex m_mutex;
    std::optional<boost::asio::ip::tcp::socket> m_tcp;
    std::optional<boost::asio::ip::udp::socket> m_udp;
    int m_originalFlags = 0;
    ZMR_ASYNCIO_CALLBACK m_defaultCallback = nullptr;
    // TCP sends: the front one is being written, the rest wait their turn.
    std::deque<PendingSend> m_sends;
    // True from the first queued send until the queue is empty again,
    // including while a completion runs unlocked.
    bool m_writing = false;
};

// The completion code of an asio result: 0, ZMR_ASYNCIO_ABORTED, or an errno.
int32_t completionCode(const boost::system::error_code& error);

} // namespace zmr::detail

#endif
