#include "rtp/CRtspClientMedia.h"

#include <cstring>

#include "rtp/CRtpRtspTransSession.h"
#include "rtp/CRtpTcpTransSession.h"
#include "rtp/CRtpUdpTransSession.h"
#include "rtp/CreateTcpConnect.h"
#include "rtp/PellmarTransportLog.h"
#include "rtp/CPortPool.h"
#include "common/singleton.h"
#include "ZMR_Guard.h"

CRtspClientMedia::CRtspClientMedia() = default;

CRtspClientMedia::~CRtspClientMedia()
{
    Close();
}

int CRtspClientMedia::Init(int transMethod, int rtpPack, int mediaIndex)
{
    ZMR_Guard guard(m_cMutex);
    ReleasePort(); // to the list it came from, before the method changes
    m_eRtpTransMethod = transMethod;
    m_bRtpPack = rtpPack;
    m_iMediaIndex = mediaIndex;
    if (transMethod != kRtpOverTcp && transMethod != kRtpOverUdp)
        return 0;
    CPortPool* pool = singleton<CPortPool>::instance();
    if (pool)
        m_usLocalPort = transMethod == kRtpOverTcp ? pool->GetAndCheckTcpPort() : pool->GetAndCheckUdpPort();
    if (m_usLocalPort == 0) {
        TRANSPORT_LOG_ERROR("CRtspClientMedia Init Fail, CPortPool GetAndCheckTcpPort Fail, No Valid Port");
        return -1;
    }
    return 0;
}

int CRtspClientMedia::InitMulticast(int rtpPack, int mediaIndex)
{
    ZMR_Guard guard(m_cMutex);
    ReleasePort();
    m_eRtpTransMethod = kRtpOverUdp;
    m_bRtpPack = rtpPack;
    m_iMediaIndex = mediaIndex;
    return 0;
}

int CRtspClientMedia::OpenMulticast(const char* group, uint16_t port, const char* source, const char* bindAddress)
{
    ZMR_Guard guard(m_cMutex);
    CloseTransport();
    if (m_bOwnQueue && CreateOwnQueue("rtp/multicast, ZMR_AsyncIO_CreateQueueEx_New Fail") != 0)
        return -1;
    CRtpUdpTransSession* session = new (std::nothrow) CRtpUdpTransSession(m_hOwnQueue);
    if (session == nullptr) {
        TRANSPORT_LOG_ERROR("new CRtpUdpTransSession Fail");
        return -1;
    }
    session->AcceptSource(source);
    Adopt(session);
    if (session->OpenMulticast(group, port, bindAddress) != 0) {
        TRANSPORT_LOG_ERROR("m_pRtpTransSession OpenMulticast Fail, Group<%s:%d>", group ? group : "", port);
        CloseTransport();
        return -1;
    }
    return 0;
}

void CRtspClientMedia::ReleasePort()
{
    if (m_usLocalPort == 0)
        return;
    if (CPortPool* pool = singleton<CPortPool>::instance()) {
        if (m_eRtpTransMethod == kRtpOverTcp)
            pool->ReleaseTcpPort(m_usLocalPort);
        else
            pool->ReleaseUdpPort(m_usLocalPort);
    }
    m_usLocalPort = 0;
}

void CRtspClientMedia::SetFirstSend(const std::string& text)
{
    ZMR_Guard guard(m_cMutex);
    m_strFirstSend = text;
}

int CRtspClientMedia::Open(CRtspTransSession* connection, int channel, const char* serverHost, uint16_t serverRtpPort,
                           uint16_t serverRtcpPort, const char* bindAddress)
{
    ZMR_Guard guard(m_cMutex);
    CloseTransport();
    int result = -1;
    switch (m_eRtpTransMethod) {
    case kRtpOverRtsp: result = OpenInterleaved(connection, channel); break;
    case kRtpOverTcp: result = OpenTcp(channel, serverHost, serverRtpPort, serverRtcpPort, bindAddress); break;
    case kRtpOverUdp: result = OpenUdp(serverHost, serverRtpPort); break;
    default: TRANSPORT_LOG_ERROR("m_eRtpTransMethod == <%d> && m_bRtpPack == %d", m_eRtpTransMethod, m_bRtpPack); break;
    }
    if (result != 0)
        Close();
    return result;
}

int CRtspClientMedia::OpenInterleaved(CRtspTransSession* connection, int channel)
{
    if (connection == nullptr) {
        TRANSPORT_LOG_ERROR("CRtspClientMedia Open Fail, m_pRtspTransSession == NULL");
        return -1;
    }
    CRtpRtspTransSession* session = new (std::nothrow) CRtpRtspTransSession();
    if (session == nullptr) {
        TRANSPORT_LOG_ERROR("new CRtpRtspTransSession Fail");
        return -1;
    }
    Adopt(session);
    if (session->OpenRtsp(connection, channel) != 0) {
        TRANSPORT_LOG_ERROR("m_pRtpTransSession Open Fail");
        return -1;
    }
    return 0;
}

bool CRtspClientMedia::WriteFirstSend(ZMR_SOCKET socket)
{
    if (m_strFirstSend.empty())
        return true;
    return ZMR_Send(socket, m_strFirstSend.data(), m_strFirstSend.size()) == int(m_strFirstSend.size());
}

void CRtspClientMedia::Adopt(CRtpTransSession* session)
{
    session->SetReceiveClockRate(m_iClockRate);
    m_pRtpTransSession = session;
}

int CRtspClientMedia::CreateOwnQueue(const char* failText)
{
    m_hOwnQueue = ZMR_AsyncIO_CreateQueueEx_New(kOwnQueueThreads);
    if (m_hOwnQueue == ZMR_INVALID_ASYNCIOQUEUE) {
        TRANSPORT_LOG_ERROR("%s", failText);
        return -1;
    }
    return 0;
}

int CRtspClientMedia::OpenTcp(int channel, const char* serverHost, uint16_t serverRtpPort, uint16_t serverRtcpPort,
                              const char* bindAddress)
{
    const char* host = serverHost ? serverHost : "";
    ZMR_SOCKET rtpSocket = CreateTcpConnect(bindAddress, host, m_usLocalPort, serverRtpPort, kTcpConnectTimeoutMs);
    if (rtpSocket == ZMR_INVALID_SOCKET) {
        TRANSPORT_LOG_ERROR("CreateTcpConnect Fail, LocalPort<%d>, Addr<%s:%d>", m_usLocalPort, host, serverRtpPort);
        return -1;
    }
    if (!WriteFirstSend(rtpSocket)) {
        TRANSPORT_LOG_ERROR("CRtspClientMedia Open Fail, first send Fail, Addr<%s:%d>", host, serverRtpPort);
        ZMR_CloseSocket(rtpSocket, 0);
        return -1;
    }
    ZMR_SOCKET rtcpSocket = rtpSocket;
    if (serverRtcpPort != serverRtpPort && !m_bCascade) {
        rtcpSocket =
            CreateTcpConnect(bindAddress, host, uint16_t(m_usLocalPort + 1), serverRtcpPort, kRtcpConnectTimeoutMs);
        if (rtcpSocket != ZMR_INVALID_SOCKET && !WriteFirstSend(rtcpSocket)) {
            ZMR_CloseSocket(rtcpSocket, 0);
            rtcpSocket = ZMR_INVALID_SOCKET;
        }
        if (rtcpSocket == ZMR_INVALID_SOCKET)
            rtcpSocket = rtpSocket; // RTCP then travels on the RTP connection
    }
    auto closeSockets = [&] {
        if (rtcpSocket != rtpSocket)
            ZMR_CloseSocket(rtcpSocket, 0);
        ZMR_CloseSocket(rtpSocket, 0);
    };
    if (CreateOwnQueue("rtp/tcp, ZMR_AsyncIO_CreateQueueEx_New Fail") != 0) {
        closeSockets();
        return -1;
    }
    CRtpTcpTransSession* session = new (std::nothrow) CRtpTcpTransSession(m_hOwnQueue, m_bCascade);
    if (session == nullptr) {
        TRANSPORT_LOG_ERROR("new CRtpTcpTransSession Fail");
        closeSockets();
        return -1;
    }
    Adopt(session);
    if (session->OpenTcp(rtpSocket, rtcpSocket, channel) != 0) {
        TRANSPORT_LOG_ERROR("m_pRtpTransSession Open Fail, RTPSocketFd<%d>, RTCPSocketFd<%d>", rtpSocket, rtcpSocket);
        return -1;
    }
    return 0;
}

int CRtspClientMedia::OpenUdp(const char* serverHost, uint16_t serverRtpPort)
{
    ZMR_ASYNCIOQUEUE queue = ZMR_INVALID_ASYNCIOQUEUE;
    if (m_bOwnQueue) {
        if (CreateOwnQueue("rtp/udp, ZMR_AsyncIO_CreateQueueEx_New Fail") != 0)
            return -1;
        queue = m_hOwnQueue;
    }
    CRtpUdpTransSession* session = new (std::nothrow) CRtpUdpTransSession(queue);
    if (session == nullptr) {
        TRANSPORT_LOG_ERROR("new CRtpUdpTransSession Fail");
        return -1;
    }
    session->AcceptSource(m_strAnnouncedSource.c_str());
    Adopt(session);
    if (session->OpenUdp(nullptr, m_usLocalPort, serverHost, serverRtpPort) != 0) {
        TRANSPORT_LOG_ERROR("m_pRtpTransSession Open Fail, LocalPort<%d>, RemoteAddr<%s:%d>", m_usLocalPort,
                            serverHost ? serverHost : "", serverRtpPort);
        return -1;
    }
    return 0;
}

void CRtspClientMedia::CloseTransport()
{
    if (m_pRtpTransSession) {
        // Closing waits for a delivery under way, so the callback never
        // outlives the track.
        m_pRtpTransSession->Close();
        delete m_pRtpTransSession;
        m_pRtpTransSession = nullptr;
    }
    if (m_hOwnQueue != ZMR_INVALID_ASYNCIOQUEUE) {
        ZMR_AsyncIO_DestroyQueueEx(m_hOwnQueue);
        m_hOwnQueue = ZMR_INVALID_ASYNCIOQUEUE;
    }
}

int CRtspClientMedia::Close()
{
    ZMR_Guard guard(m_cMutex);
    CloseTransport();
    ReleasePort();
    m_bRtpPackApplied = 0;
    return 0;
}

int CRtspClientMedia::RecvData(pfnStreamDataCB callback, void* user)
{
    ZMR_Guard guard(m_cMutex);
    m_pfnDataCB = callback;
    m_pDataUser = user;
    if (m_pRtpTransSession == nullptr) {
        TRANSPORT_LOG_ERROR("CRtspClientMedia RecvData Fail, m_pRtpTransSession RecvData Fail");
        return -1;
    }
    return m_pRtpTransSession->RecvData(OnData, this, m_bRtpPack);
}

int CRtspClientMedia::ApplyRtpPack(int rtpPack)
{
    ZMR_Guard guard(m_cMutex);
    m_bRtpPack = rtpPack;
    if (m_pRtpTransSession == nullptr)
        return -1;
    m_pRtpTransSession->SetWholePacket(rtpPack);
    m_bRtpPackApplied = 1;
    return 0;
}

int CRtspClientMedia::SendData(const STREAM_DATA_T* data)
{
    ZMR_Guard guard(m_cMutex);
    if (m_pRtpTransSession == nullptr || data == nullptr)
        return -1;
    return m_pRtpTransSession->SendData(data->pData, data->uiDataLen, uint8_t(data->uiPayloadType & 0xFF),
                                        data->uiMarker != 0, data->uiTimeStamp);
}

bool CRtspClientMedia::IsEndOfStream(const STREAM_DATA_T* data)
{
    constexpr size_t kMarkSize = sizeof CRtpTransSession::kEndOfStreamMark;
    return data->pData != nullptr && data->uiDataLen >= kMarkSize &&
           std::memcmp(data->pData + data->uiDataLen - kMarkSize, CRtpTransSession::kEndOfStreamMark, kMarkSize) == 0;
}

int CRtspClientMedia::OnData(STREAM_DATA_T* data, void* track)
{
    CRtspClientMedia* self = static_cast<CRtspClientMedia*>(track);
    self->m_uiDelivered.fetch_add(1, std::memory_order_relaxed);
    if (self->m_pfnDataCB) {
        const int type = IsEndOfStream(data) ? PELLMAR_DATA_END_OF_STREAM : PELLMAR_DATA_RTP;
        self->m_pfnDataCB(self->m_iMediaIndex, type, data, self->m_pDataUser);
    }
    return 0;
}
