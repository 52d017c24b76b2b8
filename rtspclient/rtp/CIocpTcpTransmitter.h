#pragma once
#include "rtp/CIocpTransmitter.h"

// One connected TCP socket on a completion queue: whole, ordered sends and
// posted receives.
class CIocpTcpTransmitter : public CIocpTransmitter
{
public:
    using CIocpTransmitter::CIocpTransmitter;

    // Takes ownership of a connected socket (closed again on failure).
    virtual int Open(ZMR_SOCKET socket);
    // Header and data go out adjacent. 0, -1, or kOverLimit (-180) when
    // `limitFlag` is 1 and more than 5000 sends are pending.
    virtual int SendData(const void* header, uint32_t headerLength, const void* data, uint32_t length,
                         IOCP_CALLBACK callback, void* user, int limitFlag);
    virtual int SendData(const void* data, uint32_t length, IOCP_CALLBACK callback, void* user, int limitFlag);
    // `buffer` must stay valid until the completion; GetBuffer() gives one that does.
    virtual int RecvData(void* buffer, uint32_t size, IOCP_CALLBACK callback, void* user);
};
