// IPv4 sockets over the POSIX calls.
#include "zmr.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "AsyncRegistry.h"

namespace {

int fail(int error)
{
    errno = error;
    return -1;
}

bool validAddress(const ZMR_ADDR* address)
{
    return address && address->sin_family == AF_INET;
}

int setBlocking(int socket, bool blocking)
{
    const int flags = fcntl(socket, F_GETFL);
    if (flags < 0)
        return -1;
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return wanted == flags ? 0 : fcntl(socket, F_SETFL, wanted);
}

int waitForConnect(int socket, unsigned int milliseconds)
{
    const uint64_t deadline = ZMR_GetTimeTick() + milliseconds;
    pollfd entry{socket, POLLOUT, 0};
    for (;;) {
        const uint64_t now = ZMR_GetTimeTick();
        const int remaining = now >= deadline ? 0 : static_cast<int>(deadline - now);
        const int ready = poll(&entry, 1, remaining);
        if (ready > 0)
            break;
        if (ready == 0)
            return fail(ETIMEDOUT);
        if (errno != EINTR)
            return -1;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return -1;
    return error == 0 ? 0 : fail(error);
}

} // namespace

ZMR_SOCKET ZMR_CreateSocket(int family, int type, int protocol)
{
    const bool tcp = type == ZMR_SOCK_STREAM && (protocol == 0 || protocol == ZMR_IPPROTO_TCP);
    const bool udp = type == ZMR_SOCK_DGRAM && (protocol == 0 || protocol == ZMR_IPPROTO_UDP);
    if (family != ZMR_AF_INET || (!tcp && !udp))
        return fail(EINVAL);
    return socket(AF_INET, (tcp ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, tcp ? IPPROTO_TCP : IPPROTO_UDP);
}

int ZMR_MakeAddrByString(int family, const char* text, uint16_t port, ZMR_ADDR* address)
{
    if (family != ZMR_AF_INET || !address)
        return fail(EINVAL);
    ZMR_ADDR result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    if (!text || !*text)
        result.sin_addr.s_addr = htonl(INADDR_ANY);
    else if (inet_pton(AF_INET, text, &result.sin_addr) != 1)
        return fail(EINVAL);
    *address = result;
    return 0;
}

int ZMR_Bind(ZMR_SOCKET socket, const ZMR_ADDR* address)
{
    if (!validAddress(address))
        return fail(EINVAL);
    return bind(socket, reinterpret_cast<const sockaddr*>(address), sizeof *address) == 0 ? 0 : -1;
}

int ZMR_ConnectWithTimeOut(ZMR_SOCKET socket, const ZMR_ADDR* address, unsigned int milliseconds)
{
    if (!validAddress(address))
        return fail(EINVAL);
    if (setBlocking(socket, false) != 0)
        return -1;
    int result = connect(socket, reinterpret_cast<const sockaddr*>(address), sizeof *address);
    if (result != 0 && (errno == EINPROGRESS || errno == EINTR))
        result = waitForConnect(socket, milliseconds);
    const int error = errno;
    setBlocking(socket, true);
    errno = error;
    return result == 0 ? 0 : -1;
}

int ZMR_SetReuseAddr(ZMR_SOCKET socket, int on)
{
    const int value = on ? 1 : 0;
    return setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) == 0 ? 0 : -1;
}

int ZMR_JoinMulticastGroup(ZMR_SOCKET socket, const char* group, const char* localAddress)
{
    ip_mreq request{};
    if (!group || inet_pton(AF_INET, group, &request.imr_multiaddr) != 1 ||
        !IN_MULTICAST(ntohl(request.imr_multiaddr.s_addr)))
        return fail(EINVAL);
    request.imr_interface.s_addr = htonl(INADDR_ANY);
    if (localAddress && *localAddress && inet_pton(AF_INET, localAddress, &request.imr_interface) != 1)
        return fail(EINVAL);
    if (setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
        return -1;
    const unsigned char loop = 0;
    return setsockopt(socket, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) == 0 ? 0 : -1;
}

int ZMR_SetBuffSize(ZMR_SOCKET socket, int sendBytes, int receiveBytes)
{
    if (setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &sendBytes, sizeof sendBytes) != 0)
        return -1;
    return setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBytes, sizeof receiveBytes) == 0 ? 0 : -1;
}

int ZMR_ShutDown(ZMR_SOCKET socket, int how)
{
    if (how < 0 || how > ZMR_SD_BOTH)
        return fail(EINVAL);
    // The values 0, 1, 2 mean receive, send, both here as in POSIX.
    return shutdown(socket, how) == 0 ? 0 : -1;
}

int ZMR_CloseSocket(ZMR_SOCKET socket, int)
{
    if (socket < 0)
        return fail(EBADF);
    // A bound socket leaves its queue first, so its pending operations are
    // cancelled before the number can be handed to a new socket.
    zmr::detail::AsyncRegistry::instance().unbind(socket, nullptr);
    return close(socket) == 0 ? 0 : -1;
}

int ZMR_RecvFromNoWait(ZMR_SOCKET socket, void* buffer, size_t length, ZMR_ADDR* from)
{
    if (!buffer || length == 0)
        return fail(EINVAL);
    ZMR_ADDR sender{};
    socklen_t size = sizeof sender;
    ssize_t received;
    do {
        received = recvfrom(socket, buffer, length, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender), &size);
    } while (received < 0 && errno == EINTR);
    if (received < 0)
        return -1;
    if (from)
        *from = sender;
    return static_cast<int>(received);
}

int ZMR_Send(ZMR_SOCKET socket, const void* data, size_t length)
{
    if (!data && length > 0)
        return fail(EINVAL);
    const char* bytes = static_cast<const char*>(data);
    size_t sent = 0;
    while (sent < length) {
        const ssize_t written = send(socket, bytes + sent, length - sent, MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        sent += static_cast<size_t>(written);
    }
    return static_cast<int>(sent);
}

int ZMR_Ioctl(ZMR_SOCKET socket, unsigned int control, void* value)
{
    if (!value)
        return fail(EINVAL);
    switch (control) {
    case ZMR_SIO_UDP_CONNRESET:
        // Still check that the socket exists, so a bad handle is reported.
        return fcntl(socket, F_GETFL) < 0 ? -1 : 0;
    case ZMR_FIONBIO: return setBlocking(socket, *static_cast<const uint32_t*>(value) == 0);
    case ZMR_FIONREAD: {
        int available = 0;
        if (ioctl(socket, FIONREAD, &available) != 0)
            return -1;
        *static_cast<uint32_t*>(value) = static_cast<uint32_t>(available);
        return 0;
    }
    default: return fail(EINVAL);
    }
}

char* ZMR_GetAddrString(const ZMR_ADDR* address, char* buffer, size_t size)
{
    if (!validAddress(address) || !buffer || size == 0) {
        errno = EINVAL;
        return nullptr;
    }
    return inet_ntop(AF_INET, &address->sin_addr, buffer, static_cast<socklen_t>(size)) ? buffer : nullptr;
}

uint16_t ZMR_GetAddrPort(const ZMR_ADDR* address)
{
    return address ? ntohs(address->sin_port) : 0;
}

int ZMR_GetAddressInfo(const char* host, const char* service, int, ZMR_ADDRINFO** list)
{
    if (!host || !*host || !list)
        return fail(EINVAL);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    const int error = getaddrinfo(host, service, &hints, list);
    if (error != 0) {
        *list = nullptr;
        return fail(error == EAI_SYSTEM ? errno : EHOSTUNREACH);
    }
    return 0;
}

int ZMR_GetAddrStringEx(const ZMR_ADDRINFO* entry, char* buffer, size_t size)
{
    if (!entry || !entry->ai_addr || entry->ai_family != AF_INET)
        return fail(EINVAL);
    const auto* address = reinterpret_cast<const ZMR_ADDR*>(entry->ai_addr);
    return ZMR_GetAddrString(address, buffer, size) ? 0 : -1;
}

void ZMR_FreeAddressInfo(ZMR_ADDRINFO* list)
{
    if (list)
        freeaddrinfo(list);
}

uint16_t ZMR_Htons(uint16_t value)
{
    return htons(value);
}

uint16_t ZMR_Ntohs(uint16_t value)
{
    return ntohs(value);
}
