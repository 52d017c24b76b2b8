// Receiving, reports and keep-alive of CRtspClientSession.
#include <cstring>

#include "ZMR_Guard.h"
#include "common/CConfig.h"
#include "auth/Authorization.h"
#include "rtsp/CSdpTrackInfo.h"
#include "rtsp/CCommonRsp.h"
#include "rtsp/CRtspClientSession.h"
#include "rtsp/CUriParser.h"
#include "common/PellmarLog.h"
#include "rtsp/RtspMessageText.h"
#include "rtsp/RtspVocabulary.h"

void CRtspClientSession::OnRtspMessage(const char* text, int length, void* session)
{
    if (session != nullptr)
        static_cast<CRtspClientSession*>(session)->OnMessage(text, length);
}

void CRtspClientSession::OnMessage(const char* text, int length)
{
    if (length <= 0 || text == nullptr) {
        // Kept apart from the caller's cancel flag: a redirect the server
        // answers and then closes is followed, not taken for a cancel.
        m_uiConnectionFailure = length == CRtspTransSession::kLostTooLarge     ? PELLMAR_ERR_RESPONSE_TOO_LARGE
                                : length == CRtspTransSession::kLostUnreadable ? PELLMAR_ERR_BAD_RESPONSE
                                                                               : PELLMAR_ERR_CONNECTION_CLOSED;
        ReportException(PELLMAR_EXC_CONNECTION_LOST, "", 0);
        m_cResponses.Wake();
        return;
    }
    const std::string message(text, static_cast<size_t>(length));
    int peerCheck = 0;
    int kind = RTSP_METHOD_UNKNOWN;
    if (ClassifyRtspMessage(peerCheck, message, kind)) {
        OnServerRequest(kind, message);
        return;
    }
    CCommonRsp response;
    if (!response.ParseMsg(message)) {
        PELLMAR_LOG_ERROR(kSessionLog, "pfnClientSessionRecvDataCB Fail, ParseRtspCommonRsp Fail:%s", message.c_str());
        // In order on one connection, garbage while a request waits is its answer.
        m_bBadResponse = true;
        m_cResponses.Wake();
        return;
    }
    if (response.m_iCSeq == m_iKeepAliveCSeq.load()) {
        if (response.m_iStatus == kRtspStatusOk) {
            m_bKeepAliveOutstanding = false;
            m_iUnansweredKeepAlive = 0;
        }
        // A rotated nonce: the next request (keep-alive or other) answers it.
        if (response.m_iStatus == kRtspStatusUnauthorized && DigestChallengeIsStale(response.m_strWwwAuthenticate)) {
            ZMR_Guard guard(m_cStaleMutex);
            m_strStaleChallenge = response.m_strWwwAuthenticate;
        }
        return;
    }
    m_cResponses.Store(static_cast<uint16_t>(response.m_iCSeq), message, Now());
}

void CRtspClientSession::OnServerRequest(int kind, const std::string& message)
{
    const int length = static_cast<int>(message.size());
    if (kind == RTSP_METHOD_REDIRECT) {
        std::string location;
        rtsp_message::GetHeader(message, "Location", location);
        ReportTrace(PELLMAR_TRACE_SERVER_REDIRECT, message.c_str(), length);
        ReportException(PELLMAR_EXC_REDIRECT, location.c_str(), static_cast<int>(location.size()));
        return;
    }
    if (kind != RTSP_METHOD_ANNOUNCE)
        return;
    const size_t body = message.find("\r\n\r\n");
    ApplyAnnouncedSdp(body == std::string::npos ? std::string() : message.substr(body + 4));
    ReportTrace(PELLMAR_TRACE_SERVER_ANNOUNCE, message.c_str(), length);
    std::string info;
    if (!rtsp_message::GetHeader(message, "ExtErrInfo", info))
        return;
    info += ";";
    std::string code, description;
    rtsp_message::GetParam(info, "errcode", code);
    rtsp_message::GetParam(info, "description", description);
    if (const int value = rtsp_message::DecimalOf(code))
        ReportNotify(value, description.c_str(), static_cast<int>(description.size()));
}

void CRtspClientSession::ApplyAnnouncedSdp(const std::string& sdp)
{
    CSdp parsed;
    if (!parsed.ParseSdp(sdp))
        return;
    DeliverText(PELLMAR_DATA_SDP, sdp);
    for (int i = 0; i < parsed.m_iMediaCount && i < kMaxMediaCount; ++i) {
        const CSdpMedia& media = parsed.m_media[i];
        RTSP_MEDIA_DESC_T description = CSdpTrackInfo::MakeRecord(media);
        const int pack =
            CSdpTrackInfo::ChooseRtpPack(media.m_mediaInfo, static_cast<size_t>(media.m_iMediaInfoLength), m_bRtpPack);
        CRtspClientMedia& track = m_cClientMediaArray[i];
        if (m_usDestPort == 0 && !track.RtpPackApplied())
            track.ApplyRtpPack(pack);
        m_stTracks[i].skip = DeliverDescription(i, description);
    }
    DeliverMediaInfo(parsed);
}

uint32_t CRtspClientSession::RecvRtspRsp(int cseq, std::string& text, unsigned int timeoutMs)
{
    uint32_t failure = PELLMAR_ERR_TIMEOUT;
    for (unsigned int round = 0;; ++round) {
        // The answer first: a server that answers and then closes was heard.
        if (m_cResponses.Take(static_cast<uint16_t>(cseq), text)) {
            failure = 0;
            break;
        }
        if (CheckCancelOperate()) {
            failure = PELLMAR_ERR_CANCELLED;
            break;
        }
        if (const uint32_t lost = m_uiConnectionFailure.load()) {
            // The loss ends the operation under way as a cancel would.
            ReportException(PELLMAR_EXC_CANCELLED, nullptr, 0);
            failure = lost;
            break;
        }
        if (m_bBadResponse.exchange(false)) {
            failure = PELLMAR_ERR_BAD_RESPONSE;
            break;
        }
        if (round >= timeoutMs / kWaitStepMs)
            break;
        m_cResponses.WaitPosted(kWaitStepMs);
    }
    if (failure != 0)
        m_cResponses.Expect(CRtspResponseMap::kNone);
    m_cResponses.SweepIfDue(Now());
    return failure;
}

int CRtspClientSession::CheckCancelOperate()
{
    int expected = 1;
    if (!m_iCancelOperate.compare_exchange_strong(expected, 0))
        return 0;
    ReportException(PELLMAR_EXC_CANCELLED, nullptr, 0);
    return 1;
}

int CRtspClientSession::CheckHeartBeat()
{
    // A session busy in a long request is skipped for this round rather than
    // waited for, so one slow server never delays the other sessions' keep-alives.
    if (!m_cMutex.TryLock())
        return 0;
    struct Unlocker
    {
        ZMR_Mutex& mutex;
        ~Unlocker() { mutex.Unlock(); }
    } unlocker{m_cMutex};
    // A paused session keeps its server session alive too: RTSP timeouts run
    // during a pause.
    if (m_bClosed || (!m_bPlaying && !m_bPaused))
        return 0;
    // Only rounds in which a keep-alive actually waits for its answer count;
    // rounds without one (before the first) say nothing about the server.
    if (m_bKeepAliveOutstanding && ++m_iUnansweredKeepAlive > kMaxUnansweredKeepAlives) {
        m_iCancelOperate = 1;
        m_iUnansweredKeepAlive = 0;
        m_bKeepAliveOutstanding = false;
        ReportException(PELLMAR_EXC_KEEPALIVE_LOST, "", 0);
        return 0;
    }
    CheckMediaSilence();
    const int period = (m_iSessionTimeout > 0 ? m_iSessionTimeout : 10) / 8;
    const int threshold = period < 3 ? period : 2;
    if (++m_iKeepAlivePass >= threshold) {
        m_iKeepAlivePass = 0;
        SendKeepAlive();
    }
    return 0;
}

void CRtspClientSession::CheckMediaSilence()
{
    uint32_t delivered = 0;
    bool receiving = false;
    for (const CRtspClientMedia& track : m_cClientMediaArray) {
        delivered += track.DeliveredPackets();
        receiving = receiving || track.IsOpen();
    }
    const uint64_t now = Now();
    // Tracks that open nothing (a destination port, multicast) never count.
    if (!m_bPlaying || !receiving || delivered != m_uiLastDelivered) {
        m_uiLastDelivered = delivered;
        m_ullLastMediaMs = now;
        m_bSilenceReported = false;
        return;
    }
    const unsigned int limit = CConfig::Instance().MediaSilenceMs();
    if (limit == 0 || m_bSilenceReported || now - m_ullLastMediaMs < limit)
        return;
    m_bSilenceReported = true;
    PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession media silent for %u ms, Url<%s>",
                      static_cast<unsigned int>(now - m_ullLastMediaMs), CUriParser::Redacted(m_strUrl).c_str());
    ReportException(PELLMAR_EXC_MEDIA_SILENCE, "", 0);
}

void CRtspClientSession::Report(int type, int code, const char* text, int length)
{
    if (m_pfnMsgCB == nullptr || ReportsSuppressed())
        return;
    PELLMAR_MSG_T message{code, text, length};
    m_pfnMsgCB(type, &message, m_pMsgUser);
}

void CRtspClientSession::ReportTrace(int kind, const char* text, int length)
{
    Report(PELLMAR_MSG_TRACE, kind, text, length);
}

void CRtspClientSession::ReportException(int code, const char* text, int length)
{
    Report(PELLMAR_MSG_EXCEPTION, code, text, length);
}

void CRtspClientSession::ReportNotify(int value, const char* text, int length)
{
    Report(PELLMAR_MSG_NOTIFY, value, text, length);
}
