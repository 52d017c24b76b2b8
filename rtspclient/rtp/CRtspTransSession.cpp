#include "rtp/CRtspTransSession.h"

#include "rtp/PellmarTransportLog.h"
#include "rtpcore/NtpTime.h"
#include "ZMR_Guard.h"

namespace {
// Channels 20 and above are the same pairs again: some servers number the
// channels of a second stream from 20.
constexpr int kSecondChannelBase = 20;
} // namespace

CRtspTransSession::~CRtspTransSession()
{
    CRtspTransSession::Close();
}

int CRtspTransSession::Open(ZMR_SOCKET socket)
{
    if (CIocpTcpTransmitter::Open(socket) != 0) {
        TRANSPORT_LOG_ERROR("CRtspTransSession Open Fail, m_cIocpTcp Open Fail, socketFd:%d", socket);
        return -1;
    }
    uint8_t* buffer = GetBuffer(CRtspStreamFramer::kBufferSize + 4);
    if (buffer == nullptr) {
        TRANSPORT_LOG_ERROR("m_cIocpTcp GetBuffer Fail, socketFd:%d", socket);
        CIocpTcpTransmitter::Close();
        return -1;
    }
    m_cFramer.Attach(buffer);
    m_bConnOpen = true;
    return 0;
}

int CRtspTransSession::Close()
{
    CIocpTcpTransmitter::Close();
    m_bConnOpen = false;
    return 0;
}

void CRtspTransSession::SetRecvMessageCallback(pfnClientSessionRecvDataCB callback, void* user)
{
    m_pfnRecvDataCB = callback;
    m_pRecvDataUser = user;
}

int CRtspTransSession::StartRecv()
{
    return RecvData(m_cFramer.FreeSpace(), uint32_t(m_cFramer.FreeSize()), OnRecvComplete, this);
}

int CRtspTransSession::RecvMediaData(int channel, pfnRtspMediaDataCB hook, void* user)
{
    if (channel < 0 || channel > kMaxChannel)
        return -1;
    ChannelPair& pair = m_stPairs[channel / 2];
    ZMR_Guard guard(pair.mutex);
    pair.hook = hook;
    pair.user = user;
    return 0;
}

int CRtspTransSession::RemoveMediaData(int channel)
{
    return RecvMediaData(channel, nullptr, nullptr);
}

int CRtspTransSession::PostChannelEvent(int channel)
{
    if (channel < 0 || channel > kMaxChannel)
        return -1;
    return PostIoEvent(kChannelEventBase + channel, 1);
}

void CRtspTransSession::OnRecvComplete(int32_t result, uint32_t bytes, void* user)
{
    static_cast<CRtspTransSession*>(user)->HandleRecv(result, bytes);
}

void CRtspTransSession::HandleRecv(int32_t result, uint32_t bytes)
{
    if (result >= kChannelEventBase && bytes == 1) {
        DeliverToPair(result - kChannelEventBase, nullptr, -1);
        return;
    }
    if (result == ZMR_ASYNCIO_ABORTED) {
        StartRecv();
        return;
    }
    if (result != 0 || bytes == 0) {
        ConnectionLost();
        return;
    }
    m_dReceiveTime = rtpcore::NtpTime::Now().ToSeconds();
    const CRtspStreamFramer::Result framed = m_cFramer.Commit(bytes, *this);
    if (!IsOpen())
        return; // a callback closed the connection: nothing more to report
    if (framed == CRtspStreamFramer::Result::BufferFull) {
        // Text that never ends its header: no receive could make progress.
        TRANSPORT_LOG_ERROR("CRtspTransSession RecvData Fail, message over %d bytes without end, socketFd:%d",
                            int(CRtspStreamFramer::kBufferSize), Socket());
        Close();
        ConnectionLost(kLostUnreadable);
        return;
    }
    if (framed == CRtspStreamFramer::Result::TooLarge) {
        // Skipping the message would read its body as messages: the stream
        // is lost either way.
        TRANSPORT_LOG_ERROR("CRtspTransSession RecvData Fail, message over %d bytes, socketFd:%d",
                            int(CRtspStreamFramer::kBufferSize), Socket());
        Close();
        ConnectionLost(kLostTooLarge);
        return;
    }
    if (StartRecv() != 0)
        ConnectionLost();
}

void CRtspTransSession::ConnectionLost(int cause)
{
    m_bConnOpen = false;
    if (m_pfnRecvDataCB)
        m_pfnRecvDataCB(nullptr, cause, m_pRecvDataUser);
}

void CRtspTransSession::OnRtspMessage(const char* text, size_t size)
{
    // A callback may close the connection (from this thread: any other
    // closer waits for this completion): deliver nothing after that.
    if (m_pfnRecvDataCB && IsOpen())
        m_pfnRecvDataCB(text, int(size), m_pRecvDataUser);
}

void CRtspTransSession::OnInterleavedFrame(uint8_t channel, const uint8_t* data, size_t size)
{
    if (IsOpen())
        DeliverToPair(channel, data, int(size));
}

void CRtspTransSession::DeliverToPair(int channel, const uint8_t* data, int length)
{
    const int pairIndex = (channel >= kSecondChannelBase ? channel - kSecondChannelBase : channel) / 2;
    if (pairIndex < 0 || pairIndex >= kChannelPairs)
        return; // no track on it: consumed and dropped
    ChannelPair& pair = m_stPairs[pairIndex];
    ZMR_Guard guard(pair.mutex);
    if (pair.hook)
        pair.hook(channel, data, length, pair.user);
}
