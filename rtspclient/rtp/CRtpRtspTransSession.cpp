#include "rtp/CRtpRtspTransSession.h"

#include "rtp/CRtpTransSessionMgr.h"
#include "rtp/CRtspTransSession.h"
#include "rtp/PellmarTransportLog.h"
#include "ZMR_Guard.h"

CRtpRtspTransSession::~CRtpRtspTransSession()
{
    CRtpRtspTransSession::Close();
}

int CRtpRtspTransSession::OpenRtsp(CRtspTransSession* connection, int channel)
{
    ZMR_Guard guard(m_cMutex);
    if (connection == nullptr) {
        TRANSPORT_LOG_ERROR("pRtspTransSession == NULL");
        return -1;
    }
    if (CreateRtpSession() != 0)
        return -1;
    m_pRtspTransSession = connection;
    m_iChannel = channel;
    if (connection->RecvMediaData(channel, OnChannelData, this) != 0) {
        TRANSPORT_LOG_ERROR("m_pRtspTransSession RecvMediaData Fail");
        m_pRtspTransSession = nullptr;
        DestroyRtpSession();
        return -1;
    }
    guard.Release(); // the manager steps us under its mutex, then takes ours
    CRtpTransSessionMgr::Instance().Register(this);
    return 0;
}

int CRtpRtspTransSession::Close()
{
    CRtpTransSessionMgr::Instance().Unregister(this);
    ZMR_Guard guard(m_cMutex);
    if (m_pRtspTransSession) {
        // Waits for a frame being delivered to us on a queue thread.
        m_pRtspTransSession->RemoveMediaData(m_iChannel);
        m_pRtspTransSession = nullptr;
    }
    DestroyRtpSession();
    return 0;
}

int CRtpRtspTransSession::PeriodicStep()
{
    ZMR_Guard guard(m_cMutex);
    if (m_pRtspTransSession == nullptr)
        return -1;
    return m_pRtspTransSession->PostChannelEvent(m_iChannel);
}

void CRtpRtspTransSession::OnChannelData(int channel, const uint8_t* data, int length, void* user)
{
    CRtpRtspTransSession* self = static_cast<CRtpRtspTransSession*>(user);
    ZMR_Guard guard(self->m_cSessionMutex);
    if (length < 0) {
        self->PollSession(); // the periodic event
        return;
    }
    const double arrival = self->m_pRtspTransSession->ReceiveTime();
    self->Inject(channel % 2 == 1, data, size_t(length), arrival);
    self->PollSession(arrival);
}

bool CRtpRtspTransSession::SendFramed(int channel, const uint8_t* data, size_t size)
{
    if (m_pRtspTransSession == nullptr || size > 0xFFFF)
        return false;
    const uint8_t header[4] = {'$', uint8_t(channel), uint8_t(size >> 8), uint8_t(size)};
    return m_pRtspTransSession->SendData(header, sizeof header, data, uint32_t(size), nullptr, nullptr, 1) == 0;
}

bool CRtpRtspTransSession::SendRtp(const uint8_t* data, size_t size)
{
    return SendFramed(m_iChannel, data, size);
}

bool CRtpRtspTransSession::SendRtcp(const uint8_t* data, size_t size)
{
    return SendFramed(m_iChannel + 1, data, size);
}
