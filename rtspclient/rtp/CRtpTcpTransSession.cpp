#include "rtp/CRtpTcpTransSession.h"

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/PellmarTransportLog.h"
#include "ZMR_Guard.h"

namespace {
constexpr int32_t kPollEvent = 0xFFFFFF;
}

CRtpTcpTransSession::~CRtpTcpTransSession()
{
    CRtpTcpTransSession::Close();
}

int CRtpTcpTransSession::OpenConnection(Connection& connection, ZMR_SOCKET socket, const char* openFail,
                                        const char* bufferFail, const char* recvFail)
{
    connection.framer.SetCascade(m_bCascade && !connection.rtcpOnly);
    if (connection.transmitter.Open(socket) != 0) {
        TRANSPORT_LOG_ERROR("%s, socketFd:%d", openFail, socket);
        return -1;
    }
    uint8_t* buffer = connection.transmitter.GetBuffer(CRtpStreamFramer::kBufferSize + 4);
    if (buffer == nullptr) {
        TRANSPORT_LOG_ERROR("%s", bufferFail);
        connection.transmitter.Close();
        return -1;
    }
    connection.framer.Attach(buffer);
    if (connection.PostRecv() != 0) {
        TRANSPORT_LOG_ERROR("%s", recvFail);
        connection.transmitter.Close();
        return -1;
    }
    return 0;
}

int CRtpTcpTransSession::OpenTcp(ZMR_SOCKET rtpSocket, ZMR_SOCKET rtcpSocket, int channel)
{
    ZMR_Guard guard(m_cMutex);
    const bool shared = rtcpSocket == rtpSocket || rtcpSocket == ZMR_INVALID_SOCKET;
    auto fail = [&] {
        if (!shared)
            ZMR_CloseSocket(rtcpSocket, 0);
        return -1;
    };
    if (CreateRtpSession() != 0) {
        ZMR_CloseSocket(rtpSocket, 0);
        return fail();
    }
    m_iChannel = channel;
    m_bSharedConnection = shared;
    if (OpenConnection(m_cIocpTcpRtp, rtpSocket, "m_cIocpTcpRtp Open Fail", "m_cIocpTcpRtp GetBuffer Fail",
                       "m_pRtpTcpTransmitter RecvData Fail") != 0) {
        DestroyRtpSession();
        return fail();
    }
    if (!shared && OpenConnection(m_cIocpTcpRtcp, rtcpSocket, "m_cIocpTcpRtcp Open Fail",
                                  "m_cIocpTcpRtcp GetBuffer Fail", "m_pRtcpTcpTransmitter RecvData Fail") != 0) {
        // RTCP is worth having but not worth the stream: it travels on the RTP connection.
        m_bSharedConnection = true;
    }
    guard.Release(); // the manager steps us under its mutex, then takes ours
    CRtpTransSessionMgr::Instance().Register(this);
    return 0;
}

int CRtpTcpTransSession::Close()
{
    CRtpTransSessionMgr::Instance().Unregister(this);
    ZMR_Guard guard(m_cMutex);
    m_cIocpTcpRtp.transmitter.Close();
    m_cIocpTcpRtcp.transmitter.Close();
    DestroyRtpSession();
    return 0;
}

int CRtpTcpTransSession::PeriodicStep()
{
    // With a shared connection the RTCP transmitter is closed and this fails:
    // RTCP is then polled after each received frame only.
    return m_cIocpTcpRtcp.transmitter.PostIoEvent(kPollEvent, 1);
}

int CRtpTcpTransSession::Connection::PostRecv()
{
    return transmitter.RecvData(framer.FreeSpace(), uint32_t(framer.FreeSize()), OnRecvComplete, this);
}

void CRtpTcpTransSession::OnRecvComplete(int32_t result, uint32_t bytes, void* user)
{
    Connection* connection = static_cast<Connection*>(user);
    connection->owner.HandleRecv(*connection, result, bytes);
}

void CRtpTcpTransSession::HandleRecv(Connection& connection, int32_t result, uint32_t bytes)
{
    if (result == kPollEvent && bytes == 1) {
        ZMR_Guard guard(m_cSessionMutex);
        PollSession();
        return;
    }
    if (result == ZMR_ASYNCIO_ABORTED) {
        connection.PostRecv();
        return;
    }
    if (result != 0 || bytes == 0)
        return; // failed or closed by the peer: this connection receives no more
    {
        ZMR_Guard guard(m_cSessionMutex);
        connection.arrival = ReceiveTime();
        connection.framer.Commit(bytes, connection);
        PollSession(connection.arrival);
    }
    connection.PostRecv();
}

void CRtpTcpTransSession::Connection::OnStreamFrame(uint8_t channel, const uint8_t* data, size_t size)
{
    owner.Inject(rtcpOnly || channel % 2 == 1, data, size, arrival);
}

bool CRtpTcpTransSession::SendOn(CIocpTcpTransmitter& transmitter, int channel, const uint8_t* data, size_t size)
{
    if (channel < 0)
        return transmitter.SendData(data, uint32_t(size), nullptr, nullptr, 1) == 0;
    if (size > 0xFFFF)
        return false;
    const uint8_t header[4] = {'$', uint8_t(channel), uint8_t(size >> 8), uint8_t(size)};
    return transmitter.SendData(header, sizeof header, data, uint32_t(size), nullptr, nullptr, 1) == 0;
}

bool CRtpTcpTransSession::SendRtp(const uint8_t* data, size_t size)
{
    return SendOn(m_cIocpTcpRtp.transmitter, m_iChannel, data, size);
}

bool CRtpTcpTransSession::SendRtcp(const uint8_t* data, size_t size)
{
    if (m_bSharedConnection) {
        if (m_iChannel < 0)
            return true; // a bare stream has no place for RTCP: nothing to send
        return SendOn(m_cIocpTcpRtp.transmitter, m_iChannel + 1, data, size);
    }
    return SendOn(m_cIocpTcpRtcp.transmitter, m_iChannel < 0 ? -1 : m_iChannel + 1, data, size);
}
