#pragma once
#include <arpa/inet.h>

#include <cstdint>
#include <vector>

#include "../../platform/zmr/LoopbackPeer.h"
#include "Fd.h"

namespace loopback {

using Bytes = std::vector<uint8_t>;

// A UDP socket bound on loopback (port 0: any free one).
class UdpSocket
{
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

} // namespace loopback
