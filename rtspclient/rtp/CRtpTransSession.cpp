#include "rtp/CRtpTransSession.h"

#include <algorithm>
#include <iterator>

#include "rtp/PellmarTransportLog.h"
#include "ZMR_Guard.h"
#include "rtpcore/RtcpPacket.h"

const uint8_t CRtpTransSession::kEndOfStreamMark[8] = {'$', 'z', 'u', 'l', 4, 3, 2, 1};

namespace {
constexpr uint8_t kEndOfStreamPayloadType = 96;
}

CRtpTransSession::CRtpTransSession(ZMR_ASYNCIOQUEUE queue, int cascade) : m_hQueue(queue), m_bCascade(cascade)
{
}

CRtpTransSession::~CRtpTransSession() = default;

int CRtpTransSession::OpenTcp(ZMR_SOCKET, ZMR_SOCKET, int)
{
    return -2;
}

int CRtpTransSession::OpenRtsp(CRtspTransSession*, int)
{
    return -2;
}

int CRtpTransSession::OpenUdp(const char*, uint16_t, const char*, uint16_t)
{
    return -2;
}

void CRtpTransSession::SetReceiveClockRate(int clockRate)
{
    m_dReceiveClockRate = clockRate > 0 ? clockRate : kDefaultClockRate;
}

int CRtpTransSession::CreateRtpSession()
{
    rtpcore::RtpSessionParams params;
    params.maxPacketSize = kMaxPacketSize;
    // The back channel's clock is the caller's: a report carries the last
    // packet's timestamp rather than guess a rate.
    params.ownTimestampRate = 1.0 / 3600.0;
    params.receiveClockRate = m_dReceiveClockRate;
    ZMR_Guard guard(m_cSessionMutex);
    const rtpcore::RtpStatus status = Create(params, this);
    if (status != rtpcore::RtpStatus::Ok) {
        TRANSPORT_LOG_ERROR("JRTPLIB Create Fail, %s", rtpcore::RtpStatusText(status));
        return -1;
    }
    return 0;
}

void CRtpTransSession::DestroyRtpSession()
{
    ZMR_Guard guard(m_cSessionMutex);
    Destroy();
}

int CRtpTransSession::RecvData(pfnRtpDeliveryCB callback, void* context, int wholePacket)
{
    ZMR_Guard guard(m_cSessionMutex);
    m_pfnDeliver = callback;
    m_pDeliverContext = context;
    m_bWholePacket = wholePacket;
    return 0;
}

void CRtpTransSession::SetWholePacket(int wholePacket)
{
    ZMR_Guard guard(m_cSessionMutex);
    m_bWholePacket = wholePacket;
}

int CRtpTransSession::SendData(const void* data, size_t length, uint8_t payloadType, bool marker,
                               uint32_t timestampIncrement)
{
    ZMR_Guard guard(m_cSessionMutex);
    const rtpcore::RtpStatus status = SendPacket(data, length, payloadType, marker, timestampIncrement);
    if (status != rtpcore::RtpStatus::Ok) {
        TRANSPORT_LOG_ERROR("CRtpTransSession SendData Fail, %s", rtpcore::RtpStatusText(status));
        return -1;
    }
    return 0;
}

double CRtpTransSession::ReceiveTime()
{
    return rtpcore::NtpTime::Now().ToSeconds();
}

void CRtpTransSession::Inject(bool rtcp, const uint8_t* data, size_t length, double arrival,
                              const rtpcore::RtpEndpoint& from)
{
    if (!IsCreated())
        return;
    // Malformed packets are dropped here; the RTP layer says why, nobody needs to know.
    if (rtcp)
        InjectRtcp(data, length, from, arrival);
    else
        InjectRtp(data, length, from, arrival);
}

void CRtpTransSession::PollSession(double now)
{
    if (IsCreated())
        Poll(now);
}

void CRtpTransSession::OnRtpPacket(const rtpcore::RtpPacket& packet, const rtpcore::RtpSourceState&)
{
    if (m_pfnDeliver == nullptr)
        return;
    STREAM_DATA_T record;
    const uint8_t* data = m_bWholePacket ? packet.data : packet.payload;
    record.pData = const_cast<unsigned char*>(data);
    record.uiDataLen = uint32_t(m_bWholePacket ? packet.size : packet.payloadSize);
    record.uiPayloadType = packet.payloadType;
    record.uiMarker = packet.marker ? 1 : 0;
    record.uiTimeStamp = packet.timestamp;
    m_pfnDeliver(&record, m_pDeliverContext);
}

void CRtpTransSession::OnRtcpCompoundPacket(const rtpcore::RtcpCompoundPacket& compound, const rtpcore::RtpEndpoint&)
{
    for (const rtpcore::RtcpPacket& packet : compound) {
        if (packet.type == rtpcore::kRtcpSenderReport) {
            const rtpcore::RtpStatus status = SendReceiverReport();
            if (status != rtpcore::RtpStatus::Ok)
                TRANSPORT_LOG_ERROR("CRtpTransSession OnRTCPCompoundPacket, SendRTCPRRPacket Fail, %s",
                                    rtpcore::RtpStatusText(status));
        } else if (packet.type == rtpcore::kRtcpBye) {
            TRANSPORT_LOG_INFO("------Recv BYE Command------");
            if (m_pfnDeliver) {
                uint8_t mark[sizeof kEndOfStreamMark];
                std::copy(std::begin(kEndOfStreamMark), std::end(kEndOfStreamMark), mark);
                STREAM_DATA_T record{mark, sizeof mark, kEndOfStreamPayloadType, 1, 0};
                m_pfnDeliver(&record, m_pDeliverContext);
            }
        }
    }
}
