#include "rtp/CIocpTcpTransmitter.h"

#include "ZMR_Guard.h"

namespace {
const char kOwner[] = "CIocpTcpTransmitter";
}

int CIocpTcpTransmitter::Open(ZMR_SOCKET socket)
{
    Close();
    ZMR_Guard guard(m_cSendMutex);
    return Attach(socket, kOwner);
}

int CIocpTcpTransmitter::SendData(const void* header, uint32_t headerLength, const void* data, uint32_t length,
                                  IOCP_CALLBACK callback, void* user, int limitFlag)
{
    ZMR_Guard guard(m_cSendMutex);
    if (!m_bOpen)
        return -1;
    if (OverLimit(limitFlag))
        return kOverLimit;
    if (header && headerLength > 0 && PostSend(header, headerLength, nullptr, callback, user, kOwner) != 0)
        return -1;
    return PostSend(data, length, nullptr, callback, user, kOwner);
}

int CIocpTcpTransmitter::SendData(const void* data, uint32_t length, IOCP_CALLBACK callback, void* user, int limitFlag)
{
    return SendData(nullptr, 0, data, length, callback, user, limitFlag);
}

int CIocpTcpTransmitter::RecvData(void* buffer, uint32_t size, IOCP_CALLBACK callback, void* user)
{
    return PostReceive(buffer, size, false, callback, user, kOwner);
}
