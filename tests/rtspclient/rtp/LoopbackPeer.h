#pragma once
// Plain blocking sockets on loopback that play the server side in the
// transport tests, and the waiting helpers those tests share. Built on the
// runtime layer's own loopback peer (address, localPort, listener); the
// socket classes are Fd, TcpListener and UdpSocket.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../../platform/zmr/LoopbackPeer.h"
#include "../../support/ReservedPort.h"
#include "Fd.h"
#include "TcpListener.h"
#include "UdpSocket.h"
#include "../../support/WaitUntil.h"

namespace loopback {

using Bytes = std::vector<uint8_t>;

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    return testsupport::WaitUntil(condition, std::chrono::milliseconds(timeoutMs), std::chrono::milliseconds(2));
}

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

inline bool SendAll(int fd, const std::string& text)
{
    return SendAll(fd, text.data(), text.size());
}

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
struct Frame
{
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

} // namespace loopback
