#include "Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace tessoran::wire {
namespace {

bool toAddress(const std::string& ip, uint16_t port, sockaddr_in& addr)
{
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (ip.empty()) {
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    return inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) == 1;
}

// Milliseconds left until the deadline of a wait of timeoutMs; -1 for none.
int msLeft(int timeoutMs, std::chrono::steady_clock::time_point deadline)
{
    if (timeoutMs < 0)
        return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

// Polls fd for events plus the wake descriptors; -1 timeout waits for ever.
IoStatus waitFor(int fd, short events, int timeoutMs, const std::vector<int>& wakeFds)
{
    std::vector<pollfd> fds;
    fds.push_back({fd, events, 0});
    for (int w : wakeFds)
        fds.push_back({w, POLLIN, 0});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int n = ::poll(fds.data(), fds.size(), msLeft(timeoutMs, deadline));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoStatus::Failed;
        }
        if (n == 0)
            return IoStatus::Timeout;
        for (size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents)
                return IoStatus::Woken;
        if (fds[0].revents & POLLNVAL)
            return IoStatus::Failed;
        return IoStatus::Ok;
    }
}

} // namespace

IoStatus sleepUnlessWoken(int timeoutMs, const std::vector<int>& wakeFds)
{
    IoStatus status = waitFor(-1, 0, timeoutMs, wakeFds); // poll skips the negative descriptor
    return status == IoStatus::Woken ? IoStatus::Woken : IoStatus::Timeout;
}

Socket::~Socket()
{
    close();
}

Socket::Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1))
{
}

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Socket Socket::connectTo(const std::string& ip, uint16_t port, int timeoutMs, const std::vector<int>& wakeFds,
                         IoStatus& status, const std::string& fromIp)
{
    sockaddr_in addr;
    if (!toAddress(ip, port, addr) || ip.empty()) {
        status = IoStatus::Failed;
        return {};
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.valid()) {
        status = IoStatus::Failed;
        return {};
    }
    int one = 1;
    setsockopt(s.fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in local;
    if (!fromIp.empty() &&
        (!toAddress(fromIp, 0, local) || ::bind(s.fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)) {
        status = IoStatus::Failed;
        return {};
    }
    if (::connect(s.fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS) {
            status = IoStatus::Failed;
            return {};
        }
        status = waitFor(s.fd_, POLLOUT, timeoutMs, wakeFds);
        if (status != IoStatus::Ok)
            return {};
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(s.fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            status = IoStatus::Failed;
            return {};
        }
    }
    status = IoStatus::Ok;
    return s;
}

Socket Socket::listenOn(const std::string& ip, uint16_t port, std::string& error)
{
    sockaddr_in addr;
    if (!toAddress(ip, port, addr)) {
        error = "not an IPv4 address: " + ip;
        return {};
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.valid()) {
        error = std::strerror(errno);
        return {};
    }
    int one = 1;
    setsockopt(s.fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(s.fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s.fd_, 64) != 0) {
        error = std::strerror(errno);
        return {};
    }
    return s;
}

uint16_t Socket::localPort() const
{
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return 0;
    return ntohs(addr.sin_port);
}

std::string Socket::peerAddress() const
{
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    char text[INET_ADDRSTRLEN] = {0};
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return text;
}

IoStatus Socket::waitReadable(int timeoutMs, const std::vector<int>& wakeFds) const
{
    return waitFor(fd_, POLLIN, timeoutMs, wakeFds);
}

IoStatus Socket::readExact(void* data, size_t size, int timeoutMs, const std::vector<int>& wakeFds)
{
    auto p = static_cast<uint8_t*>(data);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (size > 0) {
        ssize_t n = ::recv(fd_, p, size, 0);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n == 0)
            return IoStatus::Closed;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return IoStatus::Closed;
        IoStatus s = waitFor(fd_, POLLIN, msLeft(timeoutMs, deadline), wakeFds);
        if (s != IoStatus::Ok)
            return s;
    }
    return IoStatus::Ok;
}

IoStatus Socket::writeAll(const void* data, size_t size, int timeoutMs, const std::vector<int>& wakeFds)
{
    auto p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return IoStatus::Closed;
        IoStatus s = waitFor(fd_, POLLOUT, timeoutMs, wakeFds);
        if (s != IoStatus::Ok)
            return s;
    }
    return IoStatus::Ok;
}

Socket Socket::accept() const
{
    int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return Socket(fd);
}

void Socket::shutdown()
{
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_RDWR);
}

void Socket::close()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

} // namespace tessoran::wire
