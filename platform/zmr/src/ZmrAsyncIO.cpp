// The C entry points of the completion queues.
#include "zmr.h"

#include <boost/system/system_error.hpp>

#include <cerrno>
#include <new>
#include <system_error>

#include "AsyncQueue.h"
#include "AsyncRegistry.h"
#include "AsyncSocket.h"

using zmr::detail::AsyncQueue;
using zmr::detail::AsyncRegistry;
using zmr::detail::AsyncSocket;

namespace {

int report(int error)
{
    if (error == 0)
        return 0;
    errno = error;
    return -1;
}

int codeOr(int code, int fallback)
{
    return code != 0 ? code : fallback;
}

// No exception may cross the C interface: a failure to get descriptors or
// memory while setting up I/O becomes the errno it stands for.
template <typename Call>
int guarded(Call call) noexcept
{
    try {
        return report(call());
    } catch (const boost::system::system_error& error) {
        return report(codeOr(error.code().value(), EIO));
    } catch (const std::system_error& error) {
        return report(codeOr(error.code().value(), EIO));
    } catch (const std::bad_alloc&) {
        return report(ENOMEM);
    } catch (...) {
        return report(EIO);
    }
}

template <typename Operation>
int onBoundSocket(ZMR_SOCKET socket, Operation operation)
{
    return guarded([&] {
        const std::shared_ptr<AsyncSocket> bound = AsyncRegistry::instance().find(socket);
        return bound ? operation(*bound) : EBADF;
    });
}

AsyncQueue* queueOf(ZMR_ASYNCIOQUEUE queue)
{
    return static_cast<AsyncQueue*>(queue);
}

} // namespace

ZMR_ASYNCIOQUEUE ZMR_AsyncIO_CreateQueueEx_New(int threads)
{
    AsyncQueue* queue = nullptr;
    guarded([&] { return AsyncRegistry::instance().createQueue(threads, &queue); });
    return queue;
}

int ZMR_AsyncIO_DestroyQueueEx(ZMR_ASYNCIOQUEUE queue)
{
    return guarded([&] { return AsyncRegistry::instance().destroyQueue(queueOf(queue)); });
}

int ZMR_AsyncIO_BindIOHandleToQueueEx(ZMR_SOCKET socket, ZMR_ASYNCIOQUEUE queue)
{
    return guarded([&] { return AsyncRegistry::instance().bind(socket, queueOf(queue)); });
}

int ZMR_AsyncIO_BindCallBackToIOHandleEx(ZMR_SOCKET socket, ZMR_ASYNCIO_CALLBACK callback)
{
    return onBoundSocket(socket, [&](AsyncSocket& bound) {
        bound.setDefaultCallback(callback);
        return 0;
    });
}

int ZMR_AsyncIO_UnBindIOHandleEx(ZMR_SOCKET socket, ZMR_ASYNCIOQUEUE queue)
{
    if (!queue)
        return report(EINVAL);
    return guarded([&] { return AsyncRegistry::instance().unbind(socket, queueOf(queue)); });
}

int ZMR_AsyncIO_RecvEx(ZMR_SOCKET socket, void* buffer, uint32_t length, void* context, ZMR_ASYNCIO_CALLBACK callback)
{
    return onBoundSocket(socket, [&](AsyncSocket& bound) { return bound.receive(buffer, length, context, callback); });
}

int ZMR_AsyncIO_RecvFromEx(ZMR_SOCKET socket, void* buffer, uint32_t length, void* context, ZMR_ADDR* from,
                           ZMR_ASYNCIO_CALLBACK callback)
{
    return onBoundSocket(
        socket, [&](AsyncSocket& bound) { return bound.receiveFrom(buffer, length, context, from, callback); });
}

int ZMR_AsyncIO_SendEx(ZMR_SOCKET socket, const void* data, uint32_t length, void* context,
                       ZMR_ASYNCIO_CALLBACK callback)
{
    return onBoundSocket(socket, [&](AsyncSocket& bound) { return bound.send(data, length, context, callback); });
}

int ZMR_AsyncIO_SendToEx(ZMR_SOCKET socket, const void* data, uint32_t length, void* context, const ZMR_ADDR* to,
                         ZMR_ASYNCIO_CALLBACK callback)
{
    if (!to)
        return report(EINVAL);
    return onBoundSocket(socket,
                         [&](AsyncSocket& bound) { return bound.sendTo(data, length, context, *to, callback); });
}

int ZMR_AsyncIO_PostQueuedCompleteStatusEx(ZMR_ASYNCIOQUEUE queue, ZMR_SOCKET socket, int32_t result, uint32_t bytes,
                                           void* context, ZMR_ASYNCIO_CALLBACK callback)
{
    return guarded(
        [&] { return AsyncRegistry::instance().post(queueOf(queue), socket, result, bytes, context, callback); });
}
