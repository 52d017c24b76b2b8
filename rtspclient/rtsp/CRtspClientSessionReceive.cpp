// Receiving, reports and keep-alive of CRtspClientSession.
#include <cstring>

#include "rtsp/PellmarLog.h"
#include "rtp/CSdpTrackInfo.h"
#include "rtsp/CRtspClientSession.h"
#include "rtsp/CRtspMessageText.h"
#include "ZMR_Guard.h"

void CRtspClientSession::OnRtspMessage(const char* text, int length, void* session)
{
    if (session != nullptr)
        static_cast<CRtspClientSession*>(session)->OnMessage(text, length);
}

void CRtspClientSession::OnMessage(const char* text, int length)
{
    if (length <= 0 || text == nullptr) {
        ReportException(PELLMAR_EXC_CONNECTION_LOST, "", 0);
        m_iCancelOperate = 1;
        return;
    }
    CRtspMessageText message(std::string(text, static_cast<size_t>(length)));
    const std::string method = message.RequestMethod();
    if (method == "REDIRECT") {
        const std::string location = message.Header("Location");
        ReportTrace(PELLMAR_TRACE_SERVER_REDIRECT, text, length);
        ReportException(PELLMAR_EXC_REDIRECT, location.c_str(), static_cast<int>(location.size()));
        return;
    }
    if (method == "ANNOUNCE") {
        ApplyAnnouncedSdp(message.Body());
        ReportTrace(PELLMAR_TRACE_SERVER_ANNOUNCE, text, length);
        const std::string info = message.Header("ExtErrInfo") + ";";
        const int code = std::atoi(CRtspMessageText::Parameter(info, "errcode").c_str());
        if (message.HasHeader("ExtErrInfo") && code != 0) {
            const std::string description = CRtspMessageText::Parameter(info, "description");
            ReportNotify(code, description.c_str(), static_cast<int>(description.size()));
        }
        return;
    }
    if (!method.empty())
        return;
    if (!message.ParseStatusLine()) {
        PELLMAR_LOG_ERROR(kSessionLog, "pfnClientSessionRecvDataCB Fail, ParseRtspCommonRsp Fail:%s", message.Text().c_str());
        return;
    }
    const int cseq = message.CSeq();
    if (cseq == m_iKeepAliveCSeq.load()) {
        if (message.StatusCode() == 200)
            m_iUnansweredKeepAlive = 0;
        return;
    }
    m_cResponses.Store(static_cast<uint16_t>(cseq), message.Text(), Now());
}

void CRtspClientSession::ApplyAnnouncedSdp(const std::string& sdp)
{
    CSessionSdp parsed;
    if (!parsed.Parse(sdp))
        return;
    std::string text = sdp;
    if (m_pfnDataCB) {
        STREAM_DATA_T data{reinterpret_cast<unsigned char*>(&text[0]), static_cast<uint32_t>(text.size()), 0, 1, 0};
        m_pfnDataCB(0, PELLMAR_DATA_SDP, &data, m_pDataUser);
    }
    bool anyHeader = false;
    for (size_t i = 0; i < parsed.media.size(); ++i) {
        const CSessionSdp::Media& media = parsed.media[i];
        std::vector<CSdpTrackInfo::Format> formats;
        for (const CSessionSdp::Format& format : media.formats)
            formats.push_back({format.payloadType, format.clockRate, format.encodingName, format.encodingParams,
                               format.fmtp});
        RTSP_MEDIA_DESC_T description = CSdpTrackInfo::MakeRecord(media.type, media.header, formats);
        const int pack = CSdpTrackInfo::ChooseRtpPack(media.header.data(), media.header.size(), m_bRtpPack);
        anyHeader = anyHeader || !media.header.empty();
        CRtspClientMedia& track = m_cClientMediaArray[i];
        if (m_usDestPort == 0 && !track.RtpPackApplied())
            track.ApplyRtpPack(pack);
        if (m_pfnDataCB) {
            STREAM_DATA_T data{reinterpret_cast<unsigned char*>(&description), sizeof description, 0, 1, 0};
            m_pfnDataCB(static_cast<int>(i), PELLMAR_DATA_MEDIA_DESC, &data, m_pDataUser);
            m_stTracks[i].skip = description.iSkip;
        }
    }
    if (!anyHeader || !m_pfnDataCB)
        return;
    for (size_t i = 0; i < parsed.media.size(); ++i) {
        std::vector<uint8_t> header = parsed.media[i].header;
        if (header.empty())
            continue;
        STREAM_DATA_T data{header.data(), static_cast<uint32_t>(header.size()), 0, 1, 0};
        m_pfnDataCB(static_cast<int>(i), PELLMAR_DATA_MEDIA_INFO, &data, m_pDataUser);
    }
}

bool CRtspClientSession::RecvRtspRsp(int cseq, std::string& text, unsigned int timeoutMs)
{
    bool found = false;
    for (unsigned int round = 0; round < timeoutMs / kWaitStepMs && !found; ++round) {
        if (CheckCancelOperate())
            break;
        m_cResponses.WaitPosted(kWaitStepMs);
        found = m_cResponses.Take(static_cast<uint16_t>(cseq), text);
    }
    m_cResponses.SweepIfDue(Now());
    return found;
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
    struct Unlocker {
        ZMR_Mutex& mutex;
        ~Unlocker() { mutex.Unlock(); }
    } unlocker{m_cMutex};
    if (m_bClosed)
        return 0;
    const int unanswered = ++m_iUnansweredKeepAlive;
    if (m_bPlaying && unanswered > kMaxUnansweredKeepAlives) {
        m_iCancelOperate = 1;
        m_iUnansweredKeepAlive = 0;
        ReportException(PELLMAR_EXC_KEEPALIVE_LOST, "", 0);
    }
    if (!m_bPlaying)
        return 0;
    const int period = (m_iSessionTimeout > 0 ? m_iSessionTimeout : 10) / 8;
    const int threshold = period < 3 ? period : 2;
    if (++m_iKeepAlivePass >= threshold) {
        m_iKeepAlivePass = 0;
        SendKeepAlive();
    }
    return 0;
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
