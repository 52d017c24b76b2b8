#pragma once
#include <cstdint>

#include "../../platform/zmr/LoopbackPeer.h"
#include "Fd.h"

namespace loopback {

// A listening TCP socket on a free loopback port.
class TcpListener
{
public:
    TcpListener() : m_fd(listener()) { }
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

} // namespace loopback
