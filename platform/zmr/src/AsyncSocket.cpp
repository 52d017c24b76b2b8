#include "AsyncSocket.h"

#include <boost/asio/error.hpp>

#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "AsyncQueue.h"

namespace zmr::detail {

namespace asio = boost::asio;

int32_t completionCode(const boost::system::error_code& error)
{
    if (!error || error == asio::error::eof)
        return 0;
    if (error == asio::error::operation_aborted)
        return ZMR_ASYNCIO_ABORTED;
    return error.category() == boost::system::system_category() ? error.value() : EIO;
}

AsyncSocket::AsyncSocket(int descriptor, AsyncQueue& queue)
    : m_descriptor(descriptor), m_queue(queue), m_context(&queue.nextContext())
{
}

int AsyncSocket::attach()
{
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(m_descriptor, SOL_SOCKET, SO_TYPE, &type, &length) != 0)
        return errno;
    if (type != SOCK_STREAM && type != SOCK_DGRAM)
        return EOPNOTSUPP;
    m_originalFlags = fcntl(m_descriptor, F_GETFL);
    if (m_originalFlags < 0)
        return errno;

    std::lock_guard<std::mutex> lock(m_mutex);
    boost::system::error_code error;
    if (type == SOCK_STREAM) {
        m_tcp.emplace(*m_context);
        m_tcp->assign(asio::ip::tcp::v4(), m_descriptor, error);
        if (error)
            m_tcp.reset();
    } else {
        m_udp.emplace(*m_context);
        m_udp->assign(asio::ip::udp::v4(), m_descriptor, error);
        if (error)
            m_udp.reset();
    }
    return error ? (error.value() ? error.value() : EINVAL) : 0;
}

void AsyncSocket::detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!attachedLocked())
        return;
    // release() cancels the pending operations (they complete with
    // operation_aborted) and gives the descriptor back without closing it.
    boost::system::error_code error;
    if (m_tcp)
        m_tcp->release(error);
    else
        m_udp->release(error);
    m_tcp.reset();
    m_udp.reset();
    fcntl(m_descriptor, F_SETFL, m_originalFlags);
}

void AsyncSocket::setDefaultCallback(ZMR_ASYNCIO_CALLBACK callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_defaultCallback = callback;
}

ZMR_ASYNCIO_CALLBACK AsyncSocket::callbackOr(ZMR_ASYNCIO_CALLBACK callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return callback ? callback : m_defaultCallback;
}

int AsyncSocket::startableLocked(ZMR_ASYNCIO_CALLBACK& callback) const
{
    callback = callback ? callback : m_defaultCallback;
    if (!callback)
        return EINVAL;
    return attachedLocked() ? 0 : EBADF;
}

int AsyncSocket::receive(void* buffer, uint32_t length, void* context, ZMR_ASYNCIO_CALLBACK callback)
{
    if (!buffer || length == 0)
        return EINVAL;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const int error = startableLocked(callback))
        return error;
    auto done = [self = shared_from_this(), context, callback](const boost::system::error_code& error, size_t bytes) {
        callback(completionCode(error), static_cast<uint32_t>(bytes), context);
    };
    if (m_tcp)
        m_tcp->async_read_some(asio::buffer(buffer, length), std::move(done));
    else
        m_udp->async_receive(asio::buffer(buffer, length), std::move(done));
    return 0;
}

int AsyncSocket::receiveFrom(void* buffer, uint32_t length, void* context, ZMR_ADDR* from,
                             ZMR_ASYNCIO_CALLBACK callback)
{
    if (!buffer || length == 0)
        return EINVAL;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const int error = startableLocked(callback))
        return error;
    if (!m_udp)
        return EOPNOTSUPP;
    auto sender = std::make_shared<asio::ip::udp::endpoint>();
    m_udp->async_receive_from(asio::buffer(buffer, length), *sender,
                              [self = shared_from_this(), sender, from, context,
                               callback](const boost::system::error_code& error, size_t bytes) {
                                  if (!error && from && sender->size() <= sizeof *from)
                                      std::memcpy(from, sender->data(), sender->size());
                                  callback(completionCode(error), static_cast<uint32_t>(bytes), context);
                              });
    return 0;
}

int AsyncSocket::send(const void* data, uint32_t length, void* context, ZMR_ASYNCIO_CALLBACK callback)
{
    if (!data && length > 0)
        return EINVAL;
    const char* bytes = static_cast<const char*>(data);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const int error = startableLocked(callback))
        return error;
    if (m_udp) {
        auto copy = std::make_shared<std::vector<char>>(bytes, bytes + length);
        m_udp->async_send(asio::buffer(*copy), [self = shared_from_this(), copy, context,
                                                callback](const boost::system::error_code& error, size_t sent) {
            callback(completionCode(error), static_cast<uint32_t>(sent), context);
        });
        return 0;
    }
    m_sends.push_back(PendingSend{std::vector<char>(bytes, bytes + length), 0, context, callback});
    if (!m_writing) {
        m_writing = true;
        writeFrontLocked();
    }
    return 0;
}

int AsyncSocket::sendTo(const void* data, uint32_t length, void* context, const ZMR_ADDR& to,
                        ZMR_ASYNCIO_CALLBACK callback)
{
    if ((!data && length > 0) || to.sin_family != AF_INET)
        return EINVAL;
    const char* bytes = static_cast<const char*>(data);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const int error = startableLocked(callback))
        return error;
    if (!m_udp)
        return EOPNOTSUPP;
    asio::ip::udp::endpoint destination;
    std::memcpy(destination.data(), &to, sizeof to);
    auto copy = std::make_shared<std::vector<char>>(bytes, bytes + length);
    m_udp->async_send_to(
        asio::buffer(*copy), destination,
        [self = shared_from_this(), copy, context, callback](const boost::system::error_code& error, size_t sent) {
            callback(completionCode(error), static_cast<uint32_t>(sent), context);
        });
    return 0;
}

// One write in flight per socket keeps the byte stream in call order; a
// partial write continues from where it stopped, so each send goes out whole.
void AsyncSocket::writeFrontLocked()
{
    const PendingSend& front = m_sends.front();
    m_tcp->async_write_some(asio::buffer(front.data.data() + front.written, front.data.size() - front.written),
                            [self = shared_from_this()](const boost::system::error_code& error, size_t bytes) {
                                self->onWritten(error, bytes);
                            });
}

void AsyncSocket::onWritten(const boost::system::error_code& error, size_t bytes)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    PendingSend& front = m_sends.front();
    front.written += bytes;
    const bool whole = front.written == front.data.size();
    if (!error && !whole && m_tcp) {
        writeFrontLocked();
        return;
    }
    PendingSend done = std::move(front);
    m_sends.pop_front();
    const int32_t result = error ? completionCode(error) : (whole ? 0 : ZMR_ASYNCIO_ABORTED);
    // The next write starts only after this completion returned, so the
    // completions of one socket's sends run in call order.
    lock.unlock();
    done.callback(result, static_cast<uint32_t>(done.written), done.context);
    lock.lock();
    if (!m_tcp)
        abortSendsLocked(lock);
    if (m_sends.empty())
        m_writing = false;
    else
        writeFrontLocked();
}

void AsyncSocket::abortSendsLocked(std::unique_lock<std::mutex>& lock)
{
    // Detached: nothing new can be queued, so the queue empties for good.
    std::deque<PendingSend> aborted;
    aborted.swap(m_sends);
    lock.unlock();
    for (const PendingSend& send : aborted)
        send.callback(ZMR_ASYNCIO_ABORTED, 0, send.context);
    lock.lock();
}

} // namespace zmr::detail
