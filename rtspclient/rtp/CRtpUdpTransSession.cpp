#include "rtp/CRtpUdpTransSession.h"

#include <arpa/inet.h>

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/PellmarTransportLog.h"
#include "rtp/ResolveIPv4Address.h"
#include "ZMR_Guard.h"

namespace {
constexpr int32_t kPollEvent = 0xFFFFFF;
}

CRtpUdpTransSession::~CRtpUdpTransSession() { CRtpUdpTransSession::Close(); }

int CRtpUdpTransSession::OpenSocket(Socket& socket, const char* localAddress, uint16_t localPort,
                                    const char* remoteAddress, uint16_t remotePort, const char* joinOn)
{
    const char* name = socket.rtcp ? "m_cIocpUdpRtcp" : "m_cIocpUdpRtp";
    const bool multicast = joinOn != nullptr;
    if (socket.transmitter.Open(localAddress, localPort, multicast) != 0) {
        TRANSPORT_LOG_ERROR("%s Open Fail, srcIp:%s, srcPort:%d, destIp:%s, destPort:%d", name,
                            localAddress ? localAddress : "", localPort, remoteAddress, remotePort);
        return -1;
    }
    if (multicast && ZMR_JoinMulticastGroup(socket.transmitter.Socket(), localAddress, joinOn) != 0) {
        TRANSPORT_LOG_ERROR("%s join Fail, group:%s, port:%d, interface:%s, error:%d", name, localAddress, localPort,
                            joinOn, ZMR_GetSystemLastError());
        return -1;
    }
    socket.buffer = socket.transmitter.GetBuffer(kBufferSize);
    if (socket.buffer == nullptr) {
        TRANSPORT_LOG_ERROR("%s GetBuffer Fail", name);
        return -1;
    }
    if (socket.PostRecv() != 0) {
        TRANSPORT_LOG_ERROR("%s RecvData Fail", name);
        return -1;
    }
    return 0;
}

int CRtpUdpTransSession::OpenUdp(const char* localAddress, uint16_t localPort, const char* remoteAddress,
                                 uint16_t remotePort)
{
    return OpenPair(localAddress, localPort, remoteAddress, remotePort, nullptr);
}

int CRtpUdpTransSession::OpenMulticast(const char* group, uint16_t port, const char* localAddress)
{
    return OpenPair(group, port, group, port, localAddress ? localAddress : "");
}

int CRtpUdpTransSession::OpenPair(const char* localAddress, uint16_t localPort, const char* remoteAddress,
                                  uint16_t remotePort, const char* joinOn)
{
    ZMR_Guard guard(m_cMutex);
    if (CreateRtpSession() != 0)
        return -1;
    const char* remote = remoteAddress ? remoteAddress : "";
    if (!ResolveIPv4Address(remote, remotePort, m_stRemoteRtpAddr)) {
        TRANSPORT_LOG_ERROR("CRtpUdpTransSession Open Fail, destIp:%s, destPort:%d", remote, remotePort);
        DestroyRtpSession();
        return -1;
    }
    m_stRemoteRtcpAddr = m_stRemoteRtpAddr;
    m_stRemoteRtcpAddr.sin_port = ZMR_Htons(uint16_t(remotePort + 1));
    if (OpenSocket(m_cIocpUdpRtp, localAddress, localPort, remote, remotePort, joinOn) != 0 ||
        OpenSocket(m_cIocpUdpRtcp, localAddress, uint16_t(localPort + 1), remote, uint16_t(remotePort + 1), joinOn) !=
            0) {
        m_cIocpUdpRtp.transmitter.Close();
        m_cIocpUdpRtcp.transmitter.Close();
        DestroyRtpSession();
        return -1;
    }
    guard.Release();  // the manager steps us under its mutex, then takes ours
    CRtpTransSessionMgr::Instance().Register(this);
    return 0;
}

void CRtpUdpTransSession::AcceptSource(const char* address)
{
    in_addr parsed{};
    m_uiAnnouncedSource = address && inet_pton(AF_INET, address, &parsed) == 1 ? parsed.s_addr : 0;
}

int CRtpUdpTransSession::Close()
{
    CRtpTransSessionMgr::Instance().Unregister(this);
    ZMR_Guard guard(m_cMutex);
    m_cIocpUdpRtp.transmitter.Close();
    m_cIocpUdpRtcp.transmitter.Close();
    DestroyRtpSession();
    return 0;
}

int CRtpUdpTransSession::PeriodicStep() { return m_cIocpUdpRtcp.transmitter.PostIoEvent(kPollEvent, 1); }

int CRtpUdpTransSession::Socket::PostRecv() { return transmitter.RecvData(buffer, kReceiveSize, OnRecvComplete, this); }

void CRtpUdpTransSession::OnRecvComplete(int32_t result, uint32_t bytes, void* user)
{
    Socket* socket = static_cast<Socket*>(user);
    socket->owner.HandleRecv(*socket, result, bytes);
}

void CRtpUdpTransSession::HandleRecv(Socket& socket, int32_t result, uint32_t bytes)
{
    if (result == kPollEvent && bytes == 1) {
        ZMR_Guard guard(m_cSessionMutex);
        PollSession();
        return;  // an event, not the receive: that one is still pending
    }
    if (result != 0 && result != ZMR_ASYNCIO_ABORTED)
        return;  // the socket failed: it receives no more
    if (result == 0) {
        ZMR_Guard guard(m_cSessionMutex);
        const double arrival = ReceiveTime();
        Take(socket, socket.transmitter.RecvFromAddr(), bytes, arrival);
        // What else already waits is read here, without a hand-off each.
        ZMR_ADDR from{};
        for (int drained = 0; drained < kDrainPerCompletion; ++drained) {
            const int length =
                ZMR_RecvFromNoWait(socket.transmitter.Socket(), socket.buffer, kReceiveSize, &from);
            if (length < 0)
                break;
            Take(socket, from, uint32_t(length), arrival);
        }
        PollSession(arrival);
    }
    socket.PostRecv();
}

void CRtpUdpTransSession::Take(Socket& socket, const ZMR_ADDR& from, uint32_t bytes, double arrival)
{
    // An empty datagram is legal UDP and must not silence the socket; and
    // only the server's host, or the source its SETUP answer named, may
    // feed the session.
    const uint32_t sender = from.sin_addr.s_addr;
    const bool fromServer = sender == m_stRemoteRtpAddr.sin_addr.s_addr ||
                            (m_uiAnnouncedSource != 0 && sender == m_uiAnnouncedSource);
    if (bytes == 0 || !fromServer)
        return;
    const rtpcore::RtpEndpoint endpoint{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    Inject(socket.rtcp, socket.buffer, bytes, arrival, endpoint);
}

bool CRtpUdpTransSession::SendRtp(const uint8_t* data, size_t size)
{
    return m_cIocpUdpRtp.transmitter.SendData(data, uint32_t(size), m_stRemoteRtpAddr, nullptr, nullptr, 1) == 0;
}

bool CRtpUdpTransSession::SendRtcp(const uint8_t* data, size_t size)
{
    return m_cIocpUdpRtcp.transmitter.SendData(data, uint32_t(size), m_stRemoteRtcpAddr, nullptr, nullptr, 1) == 0;
}
