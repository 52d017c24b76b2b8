#include "rtp/CIocpUdpTransmitter.h"

#include "rtp/PellmarTransportLog.h"
#include "ZMR_Guard.h"

namespace {
const char kOwner[] = "CIocpUdpTransmitter";
constexpr uint64_t kOverLimitLogSpacingMs = 1000;
} // namespace

int CIocpUdpTransmitter::Open(const char* localAddress, uint16_t localPort, bool shared)
{
    Close();
    ZMR_Guard guard(m_cSendMutex);
    ZMR_SOCKET socket = ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP);
    if (socket == ZMR_INVALID_SOCKET) {
        TRANSPORT_LOG_ERROR("CIocpUdpTransmitter Open Fail, Create Socket Fail");
        return -1;
    }
    unsigned int off = 0;
    ZMR_Ioctl(socket, ZMR_SIO_UDP_CONNRESET, &off);
    if (shared)
        ZMR_SetReuseAddr(socket, 1);
    if (localPort != 0) {
        ZMR_ADDR address;
        if (ZMR_MakeAddrByString(ZMR_AF_INET, localAddress, localPort, &address) != 0) {
            TRANSPORT_LOG_ERROR("ZMR_MakeAddrByString<%s:%d> Fail", localAddress ? localAddress : "", localPort);
            ZMR_CloseSocket(socket, 0);
            return -1;
        }
        if (ZMR_Bind(socket, &address) != 0) {
            TRANSPORT_LOG_ERROR("ZMR_Bind<%s:%d> Fail", localAddress ? localAddress : "", localPort);
            ZMR_CloseSocket(socket, 0);
            return -1;
        }
    }
    return Attach(socket, kOwner);
}

int CIocpUdpTransmitter::SendData(const void* header, uint32_t headerLength, const void* data, uint32_t length,
                                  const ZMR_ADDR& to, IOCP_CALLBACK callback, void* user, int limitFlag)
{
    ZMR_Guard guard(m_cSendMutex);
    if (!m_bOpen)
        return -1;
    if (OverLimit(limitFlag)) {
        const uint64_t now = ZMR_GetTimeTick();
        if (m_uiLastOverLimitLog == 0 || now - m_uiLastOverLimitLog >= kOverLimitLogSpacingMs) {
            m_uiLastOverLimitLog = now;
            char text[ZMR_ADDR_STRING_MAX] = {};
            ZMR_GetAddrString(&to, text, sizeof text);
            TRANSPORT_LOG_ERROR("CIocpUdpTransmitter SendData Fail, Addr<%s,%d>, Over MaxCount<%d>", text,
                                ZMR_GetAddrPort(&to), m_iMaxPending);
        }
        return kOverLimit;
    }
    if (header && headerLength > 0 && PostSend(header, headerLength, &to, callback, user, kOwner) != 0)
        return -1;
    return PostSend(data, length, &to, callback, user, kOwner);
}

int CIocpUdpTransmitter::SendData(const void* data, uint32_t length, const ZMR_ADDR& to, IOCP_CALLBACK callback,
                                  void* user, int limitFlag)
{
    return SendData(nullptr, 0, data, length, to, callback, user, limitFlag);
}

int CIocpUdpTransmitter::RecvData(void* buffer, uint32_t size, IOCP_CALLBACK callback, void* user)
{
    return PostReceive(buffer, size, true, callback, user, kOwner);
}
