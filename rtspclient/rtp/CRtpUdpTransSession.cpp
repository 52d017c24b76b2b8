#include "rtp/CRtpUdpTransSession.h"

#include <arpa/inet.h>

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/PellmarTransportLog.h"
#include "rtp/ResolveIPv4Address.h"
#include "ZMR_Guard.h"

namespace {
constexpr int32_t kPollEvent = 0xFFFFFF;
}

CRtpUdpTransSession::~CRtpUdpTransSession()
{
    CRtpUdpTransSession::Close();
}

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
    {
        ZMR_Guard session(m_cSessionMutex);
        m_uiLearnedSource = 0;
        m_bHeardFromServer = false;
        m_bLearnSource = joinOn == nullptr; // a group's senders are named by its source only
    }
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
    guard.Release(); // the manager steps us under its mutex, then takes ours
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

int CRtpUdpTransSession::PeriodicStep()
{
    return m_cIocpUdpRtcp.transmitter.PostIoEvent(kPollEvent, 1);
}

int CRtpUdpTransSession::Socket::PostRecv()
{
    return transmitter.RecvData(buffer, kReceiveSize, OnRecvComplete, this);
}

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
        return; // an event, not the receive: that one is still pending
    }
    if (result != 0 && result != ZMR_ASYNCIO_ABORTED)
        return; // the socket failed: it receives no more
    if (result == 0) {
        ZMR_Guard guard(m_cSessionMutex);
        const double arrival = ReceiveTime();
        Take(socket, socket.transmitter.RecvFromAddr(), socket.buffer, bytes, arrival);
        // What else already waits is read here, without a hand-off each. A
        // batch not filled leaves the socket (almost surely) empty: the posted
        // receive tries once more before it waits.
        UdpBatchReceiver& batch = socket.batch;
        for (int drained = 0; drained < kDrainPerCompletion;) {
            const int count = batch.Receive(socket.transmitter.Socket());
            for (int slot = 0; slot < count; ++slot)
                Take(socket, batch.From(slot), batch.Data(slot), batch.Length(slot), arrival);
            drained += count;
            if (count < batch.Slots())
                break;
        }
        PollSession(arrival);
    }
    socket.PostRecv();
}

void CRtpUdpTransSession::Take(const Socket& socket, const ZMR_ADDR& from, const uint8_t* data, uint32_t bytes,
                               double arrival)
{
    // An empty datagram is legal UDP and must not silence the socket.
    if (bytes == 0 || !FromMediaSender(socket, from, data, bytes))
        return;
    const rtpcore::RtpEndpoint endpoint{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    Inject(socket.rtcp, data, bytes, arrival, endpoint);
}

// Media may leave a server from another address than its RTSP one. Accepted:
// the server's host, the source its SETUP answer named, and (as RFC 3550
// receivers learn a source's transport address) the host the first
// well-formed RTP packet on our port came from while the server itself had sent
// nothing. Anything else is dropped.
bool CRtpUdpTransSession::FromMediaSender(const Socket& socket, const ZMR_ADDR& from, const uint8_t* data,
                                          uint32_t bytes)
{
    const uint32_t sender = from.sin_addr.s_addr;
    if (sender == m_stRemoteRtpAddr.sin_addr.s_addr || (m_uiAnnouncedSource != 0 && sender == m_uiAnnouncedSource)) {
        m_bHeardFromServer = true;
        return true;
    }
    if (m_uiLearnedSource != 0)
        return sender == m_uiLearnedSource;
    // Once the server itself sends, nobody else is learned.
    if (!m_bLearnSource || m_bHeardFromServer || socket.rtcp || !IsWellFormedRtp(data, bytes))
        return false;
    m_uiLearnedSource = sender;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    TRANSPORT_LOG_INFO("media of this session comes from %s, not from the server's address", text);
    return true;
}

bool CRtpUdpTransSession::IsWellFormedRtp(const uint8_t* data, uint32_t bytes)
{
    constexpr uint32_t kFixedHeader = 12;
    if (bytes < kFixedHeader || (data[0] >> 6) != 2)
        return false;
    const uint32_t payloadType = data[1] & 0x7F;
    if (payloadType >= 72 && payloadType <= 76)
        return false; // RTCP sent to the RTP port
    uint32_t header = kFixedHeader + 4u * (data[0] & 0x0F);
    if (data[0] & 0x10) {
        if (bytes < header + 4)
            return false;
        header += 4 + 4u * ((uint32_t(data[header + 2]) << 8) | data[header + 3]);
    }
    return bytes >= header;
}

bool CRtpUdpTransSession::SendRtp(const uint8_t* data, size_t size)
{
    return m_cIocpUdpRtp.transmitter.SendData(data, uint32_t(size), m_stRemoteRtpAddr, nullptr, nullptr, 1) == 0;
}

bool CRtpUdpTransSession::SendRtcp(const uint8_t* data, size_t size)
{
    return m_cIocpUdpRtcp.transmitter.SendData(data, uint32_t(size), m_stRemoteRtcpAddr, nullptr, nullptr, 1) == 0;
}
