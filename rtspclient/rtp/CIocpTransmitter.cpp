#include "rtp/CIocpTransmitter.h"

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/PellmarTransportLog.h"
#include "ZMR_Guard.h"

CIocpTransmitter::CIocpTransmitter(ZMR_ASYNCIOQUEUE queue) : m_hAsyncIocpQueue(queue)
{
}

CIocpTransmitter::~CIocpTransmitter()
{
    CIocpTransmitter::Close();
}

int CIocpTransmitter::PendingSends() const
{
    return m_pSendData ? m_pSendData->Pending() : 0;
}

bool CIocpTransmitter::OverLimit(int limitFlag) const
{
    return limitFlag == 1 && PendingSends() > m_iMaxPending;
}

int CIocpTransmitter::Attach(ZMR_SOCKET socket, const char* owner)
{
    if (m_hAsyncIocpQueue == ZMR_INVALID_ASYNCIOQUEUE)
        m_hAsyncIocpQueue = CRtpTransSessionMgr::Instance().SharedQueue();
    if (m_hAsyncIocpQueue == ZMR_INVALID_ASYNCIOQUEUE) {
        TRANSPORT_LOG_ERROR("%s Open Fail, m_hAsyncIocpQueue == ZMR_INVALID_ASYNCIOQUEUE", owner);
        if (socket != ZMR_INVALID_SOCKET)
            ZMR_CloseSocket(socket, 0);
        return -1;
    }
    if (socket == ZMR_INVALID_SOCKET) {
        TRANSPORT_LOG_ERROR("%s Open Fail, m_iConnSocketFd == ZMR_INVALID_SOCKET", owner);
        return -1;
    }
    if (ZMR_SetBuffSize(socket, kSocketBufferSize, kSocketBufferSize) != 0 || ZMR_SetReuseAddr(socket, 1) != 0 ||
        ZMR_AsyncIO_BindIOHandleToQueueEx(socket, m_hAsyncIocpQueue) != 0) {
        TRANSPORT_LOG_ERROR("%s Open Fail, socketFd:%d", owner, socket);
        ZMR_CloseSocket(socket, 0);
        return -1;
    }
    ZMR_AsyncIO_BindCallBackToIOHandleEx(socket, IocpCompletion);
    m_pSendData = new IOCP_DATA(IOCP_DATA::kSend);
    m_pRecvData = new IOCP_DATA(IOCP_DATA::kReceive);
    m_iConnSocketFd = socket;
    m_bOpen = true;
    return 0;
}

int CIocpTransmitter::Close()
{
    IOCP_DATA* contexts[2];
    {
        ZMR_Guard guard(m_cSendMutex);
        if (!m_bOpen)
            return 0;
        contexts[0] = m_pSendData;
        contexts[1] = m_pRecvData;
    }
    // Marking the contexts closed waits for a callback under way, so once
    // Close returns no callback touches the owner again. No other lock is
    // held here: callbacks take the send mutex to send or post again.
    for (IOCP_DATA* data : contexts) {
        ZMR_Guard guard(data->mutex);
        data->closed = true;
    }
    ZMR_Guard guard(m_cSendMutex);
    if (!m_bOpen)
        return 0;
    ZMR_AsyncIO_UnBindIOHandleEx(m_iConnSocketFd, m_hAsyncIocpQueue);
    ZMR_ShutDown(m_iConnSocketFd, ZMR_SD_BOTH);
    ZMR_CloseSocket(m_iConnSocketFd, 0);
    m_iConnSocketFd = ZMR_INVALID_SOCKET;
    m_bOpen = false;
    ReleaseContexts();
    return 0;
}

void CIocpTransmitter::ReleaseContexts()
{
    IOCP_DATA::Release(m_pSendData);
    IOCP_DATA::Release(m_pRecvData);
    m_pSendData = nullptr;
    m_pRecvData = nullptr;
}

uint8_t* CIocpTransmitter::GetBuffer(size_t size)
{
    ZMR_Guard guard(m_cSendMutex);
    if (!m_bOpen)
        return nullptr;
    if (!m_pRecvData->buffer)
        m_pRecvData->buffer.reset(new (std::nothrow) uint8_t[size]());
    return m_pRecvData->buffer.get();
}

// Called with the send mutex held and the transmitter open.
int CIocpTransmitter::PostSend(const void* data, uint32_t length, const ZMR_ADDR* to, IOCP_CALLBACK callback,
                               void* user, const char* owner)
{
    if (m_pSendData->callback == nullptr && callback != nullptr) {
        m_pSendData->callback = callback;
        m_pSendData->user = user;
    }
    m_pSendData->AddRef();
    const int result = to ? ZMR_AsyncIO_SendToEx(m_iConnSocketFd, data, length, m_pSendData, to, IocpCompletion)
                          : ZMR_AsyncIO_SendEx(m_iConnSocketFd, data, length, m_pSendData, IocpCompletion);
    if (result != 0) {
        IOCP_DATA::Release(m_pSendData);
        TRANSPORT_LOG_ERROR("%s SendData Fail, ZMR_AsyncIO_SendToEx Fail, errCode<%d>, IOCP=%p", owner,
                            ZMR_GetSystemLastError(), m_hAsyncIocpQueue);
        return -1;
    }
    return 0;
}

int CIocpTransmitter::PostReceive(void* buffer, uint32_t size, bool withSender, IOCP_CALLBACK callback, void* user,
                                  const char* owner)
{
    ZMR_Guard guard(m_cSendMutex);
    if (!m_bOpen)
        return -1;
    // Written only when it changes: a completion on another thread may be
    // reading it (a posted event beside the pending receive).
    if (m_pRecvData->callback != callback || m_pRecvData->user != user) {
        m_pRecvData->callback = callback;
        m_pRecvData->user = user;
    }
    m_pRecvData->AddRef();
    const int result = withSender ? ZMR_AsyncIO_RecvFromEx(m_iConnSocketFd, buffer, size, m_pRecvData,
                                                           &m_pRecvData->from, IocpCompletion)
                                  : ZMR_AsyncIO_RecvEx(m_iConnSocketFd, buffer, size, m_pRecvData, IocpCompletion);
    if (result != 0) {
        IOCP_DATA::Release(m_pRecvData);
        if (withSender)
            TRANSPORT_LOG_ERROR("%s RecvData Failed, ZMR_AsyncIO_RecvFromEx Fail, errCode<%d>", owner,
                                ZMR_GetSystemLastError());
        else
            TRANSPORT_LOG_ERROR("%s RecvData Failed, ZMR_AsyncIO_RecvEx Fail, errCode<%d>", owner,
                                ZMR_GetSystemLastError());
        return -1;
    }
    return 0;
}

int CIocpTransmitter::PostIoEvent(int32_t result, uint32_t bytes)
{
    ZMR_Guard guard(m_cSendMutex);
    if (!m_bOpen || m_pRecvData->callback == nullptr)
        return -1;
    m_pRecvData->AddRef();
    if (ZMR_AsyncIO_PostQueuedCompleteStatusEx(m_hAsyncIocpQueue, m_iConnSocketFd, result, bytes, m_pRecvData,
                                               IocpCompletion) != 0) {
        IOCP_DATA::Release(m_pRecvData);
        return -1;
    }
    return 0;
}
