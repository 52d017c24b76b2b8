#pragma once
// Plain blocking sockets on loopback that play the server side in the
// transport tests, and the waiting helpers those tests share. Built on the
// runtime layer's own loopback peer (address, localPort, listener).
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../../platform/zmr/LoopbackPeer.h"
#include "../session/WaitUntil.h"

namespace loopback {

using Bytes = std::vector<uint8_t>;

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    return WaitUntil(condition, std::chrono::milliseconds(timeoutMs), std::chrono::milliseconds(2));
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

inline bool Readable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) == 1;
}

// A listening TCP socket on a free loopback port.
class TcpListener {
public:
    TcpListener() : m_fd(listener()) {}
    uint16_t Port() const { return localPort(m_fd.Get()); }
    Fd Accept(int timeoutMs = 10000)
    {
        if (!Readable(m_fd.Get(), timeoutMs))
            return Fd();
        return Fd(::accept4(m_fd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

private:
    Fd m_fd;
};

inline Fd ConnectTcp(uint16_t port)
{
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in target = address(port);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0)
        return Fd();
    const int on = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

inline bool SendAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

inline bool SendAll(int fd, const std::string& text) { return SendAll(fd, text.data(), text.size()); }

// Reads exactly `size` bytes or gives up after the timeout.
inline Bytes ReadExactly(int fd, size_t size, int timeoutMs = 10000)
{
    Bytes bytes;
    bytes.reserve(size);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t chunk[65536];
    while (bytes.size() < size && std::chrono::steady_clock::now() < end) {
        if (!Readable(fd, 50))
            continue;
        const ssize_t n = ::recv(fd, chunk, std::min(sizeof chunk, size - bytes.size()), 0);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

// An interleaved frame as read from a stream: channel and payload.
struct Frame {
    int channel = -1;
    Bytes payload;
};

inline Frame ReadFrame(int fd, int timeoutMs = 10000)
{
    Frame frame;
    const Bytes header = ReadExactly(fd, 4, timeoutMs);
    if (header.size() != 4 || header[0] != '$')
        return frame;
    frame.channel = header[1];
    frame.payload = ReadExactly(fd, (size_t(header[2]) << 8) | header[3], timeoutMs);
    return frame;
}

inline std::string InterleavedFrame(int channel, std::string_view payload)
{
    std::string frame = {'$', char(channel), char(payload.size() >> 8), char(payload.size() & 0xFF)};
    return frame.append(payload);
}

inline std::string InterleavedFrame(int channel, const Bytes& payload)
{
    return InterleavedFrame(channel, std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()));
}

// A UDP socket bound on loopback (port 0: any free one).
class UdpSocket {
public:
    explicit UdpSocket(uint16_t port = 0, const char* ip = "127.0.0.1")
    {
        m_fd.Reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in bound = address(port);
        inet_pton(AF_INET, ip, &bound.sin_addr);
        m_bound = ::bind(m_fd.Get(), reinterpret_cast<sockaddr*>(&bound), sizeof bound) == 0;
    }
    bool Bound() const { return m_bound; }
    uint16_t Port() const { return localPort(m_fd.Get()); }
    bool SendTo(uint16_t port, const Bytes& data)
    {
        const sockaddr_in target = address(port);
        return ::sendto(m_fd.Get(), data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                        sizeof target) == ssize_t(data.size());
    }
    // One datagram, or nothing after the timeout.
    bool Receive(Bytes& data, int timeoutMs = 10000)
    {
        if (!Readable(m_fd.Get(), timeoutMs))
            return false;
        data.resize(65536);
        const ssize_t n = ::recv(m_fd.Get(), data.data(), data.size(), 0);
        if (n < 0)
            return false;
        data.resize(size_t(n));
        return true;
    }

private:
    Fd m_fd;
    bool m_bound = false;
};

// An even port P with P and P + 1 both free for UDP right now.
inline uint16_t FreeUdpPortPair()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        uint16_t port;
        {
            UdpSocket probe;
            port = uint16_t(probe.Port() & ~1u);
        }
        if (port < 1024)
            continue;
        UdpSocket first(port);
        UdpSocket second(uint16_t(port + 1));
        if (first.Bound() && second.Bound())
            return port;
    }
    return 0;
}

}  // namespace loopback
