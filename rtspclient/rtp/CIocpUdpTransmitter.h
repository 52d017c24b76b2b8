#pragma once
#include <cstdint>

#include "rtp/CIocpTransmitter.h"

// One UDP socket on a completion queue: send-to and posted receive-from.
class CIocpUdpTransmitter : public CIocpTransmitter
{
public:
    using CIocpTransmitter::CIocpTransmitter;

    // Creates the socket and binds it to (local address or any, port) unless
    // the port is 0.
    // `shared`: other sockets may bind the same port (multicast receivers).
    virtual int Open(const char* localAddress, uint16_t localPort, bool shared = false);
    // 0, -1, or kOverLimit (-180) when `limitFlag` is 1 and more than 5000
    // sends are pending (logged at most once a second).
    virtual int SendData(const void* header, uint32_t headerLength, const void* data, uint32_t length,
                         const ZMR_ADDR& to, IOCP_CALLBACK callback, void* user, int limitFlag);
    virtual int SendData(const void* data, uint32_t length, const ZMR_ADDR& to, IOCP_CALLBACK callback, void* user,
                         int limitFlag);
    virtual int RecvData(void* buffer, uint32_t size, IOCP_CALLBACK callback, void* user);

    // Sender of the datagram the last receive completed with; read it in the
    // receive callback before posting the next receive.
    const ZMR_ADDR& RecvFromAddr() const { return ReceiveSender(); }

private:
    uint64_t m_uiLastOverLimitLog = 0;
};
