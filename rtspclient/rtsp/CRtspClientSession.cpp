#include "rtsp/CRtspClientSession.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "ZMR_Guard.h"
#include "common/CConfig.h"
#include "auth/Authorization.h"
#include "rtsp/CSdpTrackInfo.h"
#include "rtp/CreateTcpConnect.h"
#include "rtsp/CCommonReq.h"
#include "rtsp/CCommonRsp.h"
#include "rtsp/CDescribeReq.h"
#include "rtsp/CDescribeRsp.h"
#include "rtsp/CHeartBeatReq.h"
#include "rtsp/COptionsReq.h"
#include "rtsp/COptionsRsp.h"
#include "rtsp/CPlayReq.h"
#include "rtsp/CSetupReq.h"
#include "rtsp/CSetupRsp.h"
#include "rtsp/CTeardownReq.h"
#include "rtsp/CTraceLibrary.h"
#include "rtsp/CUriParser.h"
#include "common/PellmarLog.h"
#include "rtsp/RtspVocabulary.h"

namespace {
std::string Text(const char* text)
{
    return text ? text : "";
}

// A URL as a log line may show it: without its password.
std::string Shown(const std::string& url)
{
    return CUriParser::Redacted(url);
}

// A control attribute as a URL: an absolute one as it stands, else relative to `base`.
std::string ResolveControl(const std::string& base, const std::string& control)
{
    if (control.compare(0, 7, "rtsp://") == 0)
        return control;
    return base + (!base.empty() && base.back() == '/' ? "" : "/") + control;
}

} // namespace

CRtspClientSession::CRtspClientSession() : m_cResponses(Now())
{
}

CRtspClientSession::~CRtspClientSession()
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 1;
    Close();
}

uint64_t CRtspClientSession::Now()
{
    return ZMR_GetTimeTick();
}

bool CRtspClientSession::AcceptStart(const char* name, const char* url)
{
    if (m_bClosed)
        return true;
    // A second start would reuse the live connection with new tracks beside
    // the old ones; the caller stops first.
    m_uiLastError = PELLMAR_ERR_OPEN;
    PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession %s Fail, Session Already Started, Url<%s>", name,
                      Shown(Text(url)).c_str());
    return false;
}

void CRtspClientSession::ApplySetup(const StreamSetup& setup)
{
    m_pfnMsgCB = setup.msgCB;
    m_pMsgUser = setup.user;
    m_pfnDataCB = setup.dataCB;
    m_pDataUser = setup.user;
    m_bRtpPack = setup.rtpPack;
    m_strDestAddress = Text(setup.destAddress);
    m_usDestPort = setup.destPort;
    m_bOwnQueue = setup.ownQueue;
    m_bNoTraceUrl = setup.noTraceUrl;
    if (setup.playBack && SetPlayBackParam(*setup.playBack) != 0)
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream, SetPlayBackParam Fail");
}

void CRtspClientSession::BindLocalIP(const char* address)
{
    ZMR_Guard guard(m_cMutex);
    m_strBindAddress = Text(address);
}

// ---- open and close ---------------------------------------------------------

int CRtspClientSession::Open(const std::string& givenUrl, const std::string& user, const std::string& password,
                             const std::string& userAgent, int transMethod)
{
    // Credentials written in the URL serve when none are given, and never
    // travel in a request line or a digest uri.
    std::string urlUser, urlPassword;
    const std::string url = CUriParser::TakeCredentials(givenUrl, urlUser, urlPassword);
    const bool fromUrl = user.empty() && !urlUser.empty();
    m_strUser = fromUrl ? urlUser : user;
    m_strPassword = fromUrl ? urlPassword : password;
    m_strUserAgent = userAgent;
    m_eRtpTransMethod = transMethod;
    m_strUrl = url;
    CUriParser parser;
    int marker = 0;
    std::map<std::string, std::string> query;
    std::string host, path, scheme;
    uint16_t port = 0;
    if (parser.ParseUri(marker, query, url, host, port, path, scheme) != 1) {
        m_uiLastError = PELLMAR_ERR_URL;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, cRtspUri ParseUri Fail, Url<%s>",
                          Shown(url).c_str());
        return -1;
    }
    if (m_cRtspTransSession.IsConnectionOpen()) {
        m_bRedirect = 0;
        m_strRedirectUrl.clear();
        return 0;
    }
    m_strHost = host;
    m_usPort = port;
    const char* bind = m_strBindAddress.empty() ? nullptr : m_strBindAddress.c_str();
    const ZMR_SOCKET socket = CreateTcpConnect(bind, m_strHost.c_str(), 0, m_usPort, kConnectTimeoutMs);
    if (socket == ZMR_INVALID_SOCKET) {
        m_uiLastError = PELLMAR_ERR_CONNECT;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, CreateTcpConnect Fail, ServerAddr<%s:%d>",
                          m_strHost.c_str(), m_usPort);
        return -1;
    }
    if (m_cRtspTransSession.Open(socket) != 0) {
        m_uiLastError = PELLMAR_ERR_OPEN;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, m_cRtspTransSession Open Fail, iConnSocketFd<%d>",
                          socket);
        return -1;
    }
    m_uiConnectionFailure = 0;
    m_cRtspTransSession.SetRecvMessageCallback(&CRtspClientSession::OnRtspMessage, this);
    if (m_cRtspTransSession.StartRecv() != 0) {
        m_uiLastError = PELLMAR_ERR_RECV;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, m_cRtspTransSession RecvData Fail");
        m_cRtspTransSession.Close();
        return -1;
    }
    m_bRedirect = 0;
    m_strRedirectUrl.clear();
    return 0;
}

void CRtspClientSession::Close()
{
    // The connection first: its close waits for a server request being
    // handled on a queue thread, which may still touch the tracks.
    m_cRtspTransSession.Close();
    m_uiConnectionFailure = 0;
    m_bBadResponse = false;
    m_cResponses.Expect(CRtspResponseMap::kNone);
    for (CRtspClientMedia& track : m_cClientMediaArray)
        track.Close();
    for (TrackRecord& record : m_stTracks)
        record = TrackRecord();
    m_iTrackCount = 0;
    m_cContexts.Clear();
    m_bPlaying = 0;
    m_bPaused = 0;
    m_bKeepAliveOutstanding = false;
    m_strSessionId.clear();
    m_strControl.clear();
    m_iKeepAliveCSeq = -1;
    m_iUnansweredKeepAlive = 0;
    m_iKeepAlivePass = 0;
}

int CRtspClientSession::MapTransCode(int transCode, bool withCascade)
{
    m_iTransVariant = 0;
    m_bCascade = 0;
    switch (transCode) {
    case PELLMAR_TRANS_UDP:
    case PELLMAR_TRANS_RTSP:
    case PELLMAR_TRANS_TCP: return transCode;
    case PELLMAR_TRANS_TCP_VARIANT1: m_iTransVariant = 1; return CRtspClientMedia::kRtpOverTcp;
    case PELLMAR_TRANS_TCP_VARIANT2: m_iTransVariant = 2; return CRtspClientMedia::kRtpOverTcp;
    case PELLMAR_TRANS_CASCADE:
        if (!withCascade)
            break;
        m_bCascade = 1;
        return CRtspClientMedia::kRtpOverTcp;
    default: break;
    }
    return -1;
}

// ---- start ------------------------------------------------------------------

int CRtspClientSession::RunRedirects(int (CRtspClientSession::*step)(), const char* stepName)
{
    int redirects = 0;
    while (m_bRedirect) {
        Close();
        if (++redirects > kMaxRedirects) {
            m_uiLastError = PELLMAR_ERR_REDIRECT_LOOP;
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream Fail, Redirect Count<%d>", kMaxRedirects);
            return -1;
        }
        const std::string target = m_strRedirectUrl;
        if (Open(target, m_strUser, m_strPassword, m_strUserAgent, m_eRtpTransMethod) != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, Open Fail, Url<%s>", Shown(target).c_str());
            return -1;
        }
        if (CheckCancelOperate()) {
            Close();
            return -1;
        }
        if ((this->*step)() != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, %s Fail", stepName);
            Close();
            return -1;
        }
    }
    return 0;
}

int CRtspClientSession::StartSequence(bool withRedirects)
{
    if (SendOptions() != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, SendOptions Fail, Session=%p", static_cast<void*>(this));
        Close();
        return -1;
    }
    if (withRedirects && RunRedirects(&CRtspClientSession::SendOptions, "SendOptions") != 0)
        return -1;
    if (!m_strResumeSessionId.empty() && !m_cContexts.Has("StartStream"))
        StoreContextText("StartStream", "SessionID=" + m_strResumeSessionId + ";KeepAlive=0");
    if (SendDescribe() != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, SendDescribe Fail");
        Close();
        return -1;
    }
    if (withRedirects && RunRedirects(&CRtspClientSession::SendDescribe, "SendDescribe") != 0)
        return -1;
    if (SendSetup() != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, SendSetup Fail");
        Close();
        return -1;
    }
    if (SendPlay() != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, SendPlay Fail");
        // The caller learns why PLAY failed, not how the TEARDOWN after it went.
        const uint32_t playError = m_uiLastError;
        SendTeardown();
        m_uiLastError = playError;
        Close();
        return -1;
    }
    m_bClosed = 0;
    return 0;
}

int CRtspClientSession::StartStream(const char* url, const char* user, const char* password, const char* userAgent,
                                    int transCode, const StreamSetup& setup)
{
    return Start("StartStream", url, user, password, userAgent, "", transCode, false, setup);
}

int CRtspClientSession::StartStreamEx(const char* url, const char* user, const char* password, const char* userAgent,
                                      const char* sessionId, int transCode, const StreamSetup& setup)
{
    return Start("StartStreamEx", url, user, password, userAgent, Text(sessionId), transCode, true, setup);
}

int CRtspClientSession::Start(const char* name, const char* url, const char* user, const char* password,
                              const char* userAgent, const std::string& resumeSessionId, int transCode, bool extended,
                              const StreamSetup& setup)
{
    ZMR_Guard guard(m_cMutex);
    if (!AcceptStart(name, url))
        return -1;
    m_iSuppressReports = 0;
    ApplySetup(setup);
    // The extended start neither takes the cascade code nor the own queue.
    const int method = MapTransCode(transCode, !extended);
    if (method < 0) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession %s Fail, TransCode<%d> is wrong", name, transCode);
        return -1;
    }
    if (m_bOwnQueue && !extended) {
        for (CRtspClientMedia& track : m_cClientMediaArray)
            track.SetOwnQueue(m_bOwnQueue);
    }
    const std::string agent = m_bCascade ? "CascadeMedia" : Text(userAgent);
    m_strResumeSessionId = resumeSessionId;
    m_bMulticast = 0;
    if (Open(Text(url), Text(user), Text(password), agent, method) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession %s Fail, Open Fail, Url<%s>", name,
                          Shown(Text(url)).c_str());
        return -1;
    }
    if (CheckCancelOperate()) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession %s Fail, CheckCancelOperate, Url<%s>", name,
                          Shown(Text(url)).c_str());
        Close();
        return -1;
    }
    m_strUrl = TraceUrl(m_strUrl, name);
    return StartSequence(true);
}

int CRtspClientSession::ResumeStream(const char* url, const char* sessionId, pfnStreamMsgCB msgCB, void* user)
{
    ZMR_Guard guard(m_cMutex);
    if (!AcceptStart("ResumeStream", url))
        return PELLMAR_ERR_OPEN; // the export hands this result on as it is
    m_iSuppressReports = 0;
    m_pfnMsgCB = msgCB;
    m_pMsgUser = user;
    if (Open(Text(url), "", "", "", CRtspClientMedia::kRtpOverUdp) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "ResumeStream Fail, Open Fail, Url<%s>", Shown(Text(url)).c_str());
        return -1;
    }
    m_strResumeSessionId = Text(sessionId);
    if (!m_cContexts.Has("ResumeStream"))
        StoreContextText("ResumeStream", "SessionID=" + m_strResumeSessionId);
    const int result = SendDescribe();
    if (result != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "ResumeStream Fail, SendDescribe Fail");
        Close();
        return result;
    }
    m_bClosed = 0;
    m_bPlaying = 1;
    return 0;
}

int CRtspClientSession::QueryRedirectUrl(const char* url, const char** redirectUrl)
{
    ZMR_Guard guard(m_cMutex);
    if (m_bClosed) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Has Closed");
        return -1;
    }
    if (url == nullptr) {
        PELLMAR_LOG_ERROR(kSessionLog, "QueryRedirectUrl Fail, pszUrl == NULL");
        return -1;
    }
    if (redirectUrl == nullptr) {
        PELLMAR_LOG_ERROR(kSessionLog, "QueryRedirectUrl Fail, pszRedirectUrl == NULL");
        return -1;
    }
    if (Open(url, "", "", "", CRtspClientMedia::kRtpOverRtsp) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "QueryRedirectUrl Fail, Open Fail, Url<%s>", Shown(url).c_str());
        return -1;
    }
    int result = 0;
    if (CheckCancelOperate()) {
        PELLMAR_LOG_ERROR(kSessionLog, "QueryRedirectUrl Fail, CheckCancelOperate");
        result = -1;
    } else if (SendOptions() != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "QueryRedirectUrl Fail, Options Fail");
        result = -1;
    } else {
        *redirectUrl = m_bRedirect ? m_strRedirectUrl.c_str() : nullptr;
    }
    Close();
    return result;
}

int CRtspClientSession::ProbeByDescribe(const char* url, const char* user, const char* password, const char* userAgent,
                                        int transMethod)
{
    ZMR_Guard guard(m_cMutex);
    if (transMethod < 0 || transMethod >= 3) {
        m_uiLastError = PELLMAR_ERR_URL;
        PELLMAR_LOG_ERROR(kSessionLog, "ProbeByDescribe Fail, eRtpTransMethod[%d] is wrong, Url<%s>", transMethod,
                          Shown(Text(url)).c_str());
        return -1;
    }
    if (Open(Text(url), Text(user), Text(password), Text(userAgent), transMethod) != 0) {
        m_uiLastError = PELLMAR_ERR_OPEN;
        return -1;
    }
    // The probe only reads the description: no track takes a local port.
    const uint16_t destPort = m_usDestPort;
    m_usDestPort = 1;
    const int result = SendDescribe();
    m_usDestPort = destPort;
    if (result != 0)
        m_uiLastError = PELLMAR_ERR_SEND_DESCRIBE;
    Close();
    return result == 0 ? 0 : -1;
}

// ---- stop -------------------------------------------------------------------

int CRtspClientSession::StopStream()
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 1;
    if (m_bClosed) {
        PELLMAR_LOG_INFO("CRtspClientSession Has Closed");
    } else {
        PELLMAR_LOG_INFO("CRtspClientSession Close, StopStream");
        m_bClosed = 1;
        if (m_iCancelOperate == 0 && m_uiConnectionFailure == 0)
            SendTeardown();
    }
    Close();
    // Nothing is left to cancel; a stale flag would fail the next start.
    m_iCancelOperate = 0;
    return 0;
}

int CRtspClientSession::StopStreamEx()
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 1;
    if (m_bClosed) {
        PELLMAR_LOG_INFO("CRtspClientSession Has Closed");
        Close();
        return 0;
    }
    if (!m_cContexts.Has("StopStream"))
        StoreContextText("StopStream", "SessionID=" + m_strResumeSessionId);
    m_bClosed = 1;
    SendTeardown();
    Close();
    m_iCancelOperate = 0;
    return 0;
}

// ---- requests ---------------------------------------------------------------

uint16_t CRtspClientSession::NextCSeq()
{
    ZMR_Guard guard(m_cCSeqMutex);
    return ++m_usCSeq;
}

uint32_t CRtspClientSession::StatusError(int status)
{
    return status < 0 ? PELLMAR_ERR_UNKNOWN_STATUS : static_cast<uint32_t>(status);
}

bool CRtspClientSession::SendRequest(CCommonReq& request, int traceKind, int* cseq, bool keepAlive)
{
    request.m_iCSeq = NextCSeq();
    if (keepAlive) {
        m_iKeepAliveCSeq = request.m_iCSeq;
    } else {
        m_bBadResponse = false;
        m_cResponses.Expect(request.m_iCSeq);
    }
    request.m_strUserAgent = m_strUserAgent;
    request.m_strSession = m_strSessionId;
    request.m_iAuthMode = m_iAuthMode;
    if (m_iAuthMode == AUTH_MODE_NONE) {
        std::string rotated;
        if (TakeStaleKeepAliveChallenge(rotated))
            SetChallenge(rotated);
        request.m_strAuthorization = BuildAuthorization(GetRtspMethodName(request.m_iMethod), request.m_strUrl,
                                                        m_strChallenge, m_strUser, m_strPassword, ++m_uiNonceCount);
    } else if (m_iAuthMode == AUTH_MODE_BASIC || m_iAuthMode == AUTH_MODE_AES) {
        request.m_strUserName = m_strUser;
        request.m_strPassword = m_strPassword;
    }
    const std::string text = request.Build();
    if (text.empty())
        return false;
    if (traceKind >= 0)
        ReportTrace(traceKind, text.c_str(), static_cast<int>(text.size()));
    if (cseq)
        *cseq = request.m_iCSeq;
    return m_cRtspTransSession.SendData(text.data(), static_cast<uint32_t>(text.size()), nullptr, nullptr, 0) == 0;
}

bool CRtspClientSession::ReceiveResponse(int cseq, CCommonRsp& response, int traceKind, unsigned int timeoutMs)
{
    std::string text;
    if (const uint32_t failure = RecvRtspRsp(cseq, text, timeoutMs)) {
        m_uiLastError = failure;
        return false;
    }
    ReportTrace(traceKind + 1, text.c_str(), static_cast<int>(text.size()));
    if (!response.ParseMsg(text))
        response.m_iStatus = -1;
    return true;
}

void CRtspClientSession::SetChallenge(const std::string& challenge)
{
    m_strChallenge = challenge;
    m_uiNonceCount = 0;
}

bool CRtspClientSession::TakeStaleKeepAliveChallenge(std::string& challenge)
{
    ZMR_Guard guard(m_cStaleMutex);
    if (m_strStaleChallenge.empty())
        return false;
    challenge.swap(m_strStaleChallenge);
    m_strStaleChallenge.clear();
    return true;
}

CRtspClientSession::Exchange CRtspClientSession::Transact(CCommonReq& request, CCommonRsp& response, int traceKind,
                                                          unsigned int timeoutMs)
{
    for (int attempt = 0;; ++attempt) {
        int cseq = 0;
        if (!SendRequest(request, traceKind, &cseq))
            return kNotSent;
        if (!ReceiveResponse(cseq, response, traceKind, timeoutMs))
            return kNoAnswer;
        // A rotated nonce (stale=true) is no failed login: the same request
        // goes again with the new one, so a rotation never ends a session.
        if (attempt >= kMaxStaleRetries || response.m_iStatus != kRtspStatusUnauthorized ||
            !DigestChallengeIsStale(response.m_strWwwAuthenticate))
            return kAnswered;
        PELLMAR_LOG_INFO("%s answered with a stale nonce, sent again with the new one",
                         GetRtspMethodName(request.m_iMethod));
        SetChallenge(response.m_strWwwAuthenticate);
    }
}

int CRtspClientSession::SendSimple(CCommonReq& request, CCommonRsp& response, int traceKind, uint32_t sendError,
                                   unsigned int timeoutMs)
{
    const char* method = GetRtspMethodName(request.m_iMethod);
    const Exchange exchange = Transact(request, response, traceKind, timeoutMs);
    if (exchange == kNotSent) {
        if (sendError)
            m_uiLastError = sendError;
        PELLMAR_LOG_ERROR(kSessionLog, "Send%s Fail, m_cRtspTransSession SendData Fail", method);
        return -1;
    }
    if (exchange == kNoAnswer) {
        PELLMAR_LOG_ERROR(kSessionLog, "Proc%s Fail, RecvRtspRsp Fail", method);
        return -1;
    }
    m_uiLastError = StatusError(response.m_iStatus);
    if (response.m_iStatus != kRtspStatusOk) {
        PELLMAR_LOG_ERROR(kSessionLog, "Proc%s Fail, Status<%d>", method, response.m_iStatus);
        return -1;
    }
    return 0;
}

int CRtspClientSession::SendOptions()
{
    COptionsReq request;
    request.m_strUrl = m_strUrl;
    COptionsRsp response;
    const Exchange exchange = Transact(request, response, PELLMAR_TRACE_OPTIONS, kResponseTimeoutMs);
    if (exchange == kNotSent) {
        m_uiLastError = PELLMAR_ERR_SEND_OPTIONS;
        PELLMAR_LOG_ERROR(kSessionLog, "SendOptions Fail, m_cRtspTransSession SendData Fail");
        return -1;
    }
    if (exchange == kNoAnswer) {
        PELLMAR_LOG_ERROR(kSessionLog, "ProcOptions Fail, RecvRtspRsp Fail");
        return -1;
    }
    return ProcOptions(response);
}

int CRtspClientSession::ProcOptions(COptionsRsp& response)
{
    const int status = response.m_iStatus;
    if (status != kRtspStatusOk && status != 5 && status != 6 && status != kRtspStatusUnauthorized) {
        m_uiLastError = StatusError(status);
        PELLMAR_LOG_ERROR(kSessionLog, "ProcOptions Fail, cOptionRsp ParseMsg Fail, Result<%d>, Status<%d>",
                          status >= 0, status);
        return -1;
    }
    if (const int mode = AuthModeFromSupportAuth(response.m_strSupportAuth))
        m_iAuthMode = mode;
    if (status == 5 || status == 6) {
        if (response.m_strLocation == m_strUrl) {
            m_bRedirect = 0;
            PELLMAR_LOG_INFO("No Redirect, OldUrl<%s>, NewUrl<%s>", Shown(m_strUrl).c_str(),
                             Shown(response.m_strLocation).c_str());
        } else {
            m_bRedirect = 1;
            m_strRedirectUrl = response.m_strLocation;
            PELLMAR_LOG_INFO("Redirect, OldUrl<%s>, NewUrl<%s>", Shown(m_strUrl).c_str(),
                             Shown(response.m_strLocation).c_str());
        }
        return 0;
    }
    if (status == kRtspStatusUnauthorized) {
        SetChallenge(response.m_strWwwAuthenticate);
        if (m_strChallenge.empty()) {
            m_uiLastError = StatusError(status);
            return -1;
        }
        return 0;
    }
    m_vecPublic = response.m_vecPublic;
    for (size_t i = 0; i < m_vecPublic.size() && m_iKeepAliveKind == RTSP_METHOD_UNKNOWN; ++i) {
        const int kind = m_vecPublic[i];
        if (kind == RTSP_METHOD_HEARTBEAT || kind == RTSP_METHOD_OPTIONS || kind == RTSP_METHOD_GET_PARAMETER ||
            kind == RTSP_METHOD_SET_PARAMETER)
            m_iKeepAliveKind = kind;
    }
    return 0;
}

int CRtspClientSession::SendKeepAlive()
{
    // Only HEARTBEAT changes what is sent; any other choice keeps OPTIONS.
    const bool heartbeat = m_iKeepAliveKind == RTSP_METHOD_HEARTBEAT;
    CHeartBeatReq heartbeatRequest;
    COptionsReq optionsRequest;
    CCommonReq& request = heartbeat ? static_cast<CCommonReq&>(heartbeatRequest) : optionsRequest;
    request.m_strUrl = m_strUrl;
    int cseq = 0;
    if (!SendRequest(request, -1, &cseq, true)) {
        PELLMAR_LOG_ERROR(kSessionLog, "%s Fail, m_cRtspTransSession SendData Fail",
                          heartbeat ? "CRtspClientSession SendHeartBeat" : "SendOptions");
        return -1;
    }
    m_bKeepAliveOutstanding = true;
    return 0;
}

void CRtspClientSession::AddSepAuthorization(CDescribeReq& request, int round)
{
    if (round == 0)
        return;
    // Devices accept their factory account when the caller gives none.
    request.m_strUserName = m_strUser.empty() ? "admin" : m_strUser;
    request.m_strPassword = m_strPassword.empty() ? "70586" : m_strPassword;
    request.m_strSepCipherSuite = m_strSepSuite;
    request.m_strSepRandom = m_strSepRandom;
    request.m_strSepPublicKey = m_strSepPublicKey;
    request.m_strSepToken = m_cContexts.Text("token");
}

int CRtspClientSession::SendDescribe()
{
    for (int round = 0; round < 2; ++round) {
        CDescribeReq request;
        request.m_strUrl = m_strUrl;
        request.m_iBackChannel = m_bBackChannel;
        request.m_iStandardStream = m_iPlayBackMode;
        for (const char* name : {"TransCode", "StartStream", "ResumeStream"}) {
            std::string value;
            if (m_cContexts.Take(name, value))
                request.m_mapExtraHeaders[name] = value;
        }
        if (m_iAuthMode == AUTH_MODE_SEP)
            AddSepAuthorization(request, round);
        CDescribeRsp response;
        const Exchange exchange =
            Transact(request, response, PELLMAR_TRACE_DESCRIBE, CConfig::Instance().DescribeTimeoutMs());
        if (exchange == kNotSent) {
            m_uiLastError = PELLMAR_ERR_SEND_DESCRIBE;
            PELLMAR_LOG_ERROR(kSessionLog, "SendDescribe Fail, m_cRtspTransSession SendData Fail");
            return -1;
        }
        if (exchange == kNoAnswer) {
            PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, RecvRtspRsp Fail");
            return PELLMAR_ERR_DESCRIBE;
        }
        const int result = ProcDescribe(response);
        if (result == kDescribeOk)
            return 0;
        if (result != kDescribeRetry)
            return PELLMAR_ERR_DESCRIBE;
    }
    PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendDescribe Fail, ProcDescribe Fail");
    return PELLMAR_ERR_DESCRIBE;
}

int CRtspClientSession::ProcDescribe(CDescribeRsp& response)
{
    const int status = response.m_iStatus;
    m_uiLastError = StatusError(status);
    if (status == kRtspStatusOk) {
        if (m_strControl.empty())
            m_strControl = response.m_strContentBase;
        if (ParseSdp(response.m_strBody) != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, ParseSdp Fail, SDP:%s",
                              Shown(response.m_strBody).c_str());
            return -1;
        }
        return kDescribeOk;
    }
    if (status == 5 || status == 6) {
        m_bRedirect = response.m_strLocation != m_strUrl;
        m_strRedirectUrl = m_bRedirect ? response.m_strLocation : std::string();
        return kDescribeOk;
    }
    if (status == kRtspStatusUnauthorized) {
        SetChallenge(response.m_strWwwAuthenticate);
        if (m_strChallenge.empty())
            return -1;
        if (m_iAuthMode != AUTH_MODE_SEP)
            return kDescribeRetry;
        if (!ParseSepChallenge(m_strChallenge, response.m_strPkd, m_strSepSuite, m_strSepRandom, m_strSepPublicKey)) {
            // No retry without the server's random and a suite we can answer:
            // it could only go out without an Authorization header.
            PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, SEP challenge refused<%s>", m_strChallenge.c_str());
            return -1;
        }
        return kDescribeRetry;
    }
    PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, Status<%d>", status);
    return -1;
}

std::string CRtspClientSession::AggregateUrl() const
{
    if (m_strControl.empty() || m_strControl == "*")
        return m_strUrl;
    return ResolveControl(m_strUrl, m_strControl);
}

std::string CRtspClientSession::TrackUrl(const std::string& control) const
{
    return ResolveControl(AggregateUrl(), control);
}

int CRtspClientSession::SendSetup()
{
    if (m_iTrackCount == 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendSetup Fail, no track");
        return -1;
    }
    if (m_usDestPort != 0 && m_eRtpTransMethod == CRtspClientMedia::kRtpOverRtsp) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendSetup Fail, TransMethod is RTP_OVER_RTSP and DestPort[%d] is not null",
                          m_usDestPort);
        return -1;
    }
    bool perTrack = false;
    for (int i = 0; i < m_iTrackCount; ++i)
        perTrack = perTrack || (!m_stTracks[i].control.empty() && m_stTracks[i].control != "*");
    for (int i = 0; i < m_iTrackCount; ++i) {
        if (perTrack && (m_stTracks[i].control.empty() || m_stTracks[i].control == "*"))
            continue;
        if (m_stTracks[i].skip)
            continue;
        if (m_bCascade)
            m_cClientMediaArray[i].SetCascade(1);
        CSetupReq request;
        request.m_strUrl = perTrack ? TrackUrl(m_stTracks[i].control) : AggregateUrl();
        request.m_iLowerTransport = m_eRtpTransMethod;
        request.m_iTcpVariant = m_iTransVariant;
        request.m_usInterleavedChannel = static_cast<uint16_t>(2 * i);
        request.m_usClientPort = m_usDestPort ? m_usDestPort : m_cClientMediaArray[i].LocalPort();
        request.m_strDestination = m_strDestAddress;
        request.m_iBackChannel = m_bBackChannel && m_stTracks[i].backChannel;
        if (m_bMulticast) {
            // The multicast Transport form is written for the interleaved kind.
            request.m_iLowerTransport = RTSP_TRANSPORT_INTERLEAVED;
            request.m_iMulticast = 1;
            request.m_iMulticastPort = m_iMulticastPort;
            m_stTracks[i].multicastPort = m_iMulticastPort;
            m_iMulticastPort += 2;
        }
        CSetupRsp response;
        const Exchange exchange = Transact(request, response, PELLMAR_TRACE_SETUP, kResponseTimeoutMs);
        if (exchange == kNotSent) {
            m_uiLastError = PELLMAR_ERR_SEND_SETUP;
            PELLMAR_LOG_ERROR(kSessionLog, "SendSetup Fail, m_cRtspTransSession SendData Fail");
            return -1;
        }
        if (exchange == kNoAnswer) {
            PELLMAR_LOG_ERROR(kSessionLog, "ProcSetup Fail, RecvRtspRsp Fail");
            return -1;
        }
        if (ProcSetup(response, i) != 0)
            return -1;
        if (!perTrack)
            break;
    }
    return 0;
}

void CRtspClientSession::DeliverText(int dataType, const std::string& text)
{
    if (m_pfnDataCB == nullptr || text.empty())
        return;
    std::string copy = text;
    STREAM_DATA_T data{reinterpret_cast<unsigned char*>(&copy[0]), static_cast<uint32_t>(copy.size()), 0, 1, 0};
    m_pfnDataCB(0, dataType, &data, m_pDataUser);
}

int CRtspClientSession::ProcSetup(CSetupRsp& response, int track)
{
    m_uiLastError = StatusError(response.m_iStatus);
    if (response.m_iStatus != kRtspStatusOk) {
        PELLMAR_LOG_ERROR(kSessionLog, "ProcSetup Fail, Status<%d>", response.m_iStatus);
        return -1;
    }
    m_strSessionId = response.m_strSession;
    m_iSessionTimeout = response.m_iTimeout;
    const uint16_t serverRtp = response.m_usServerPort;
    const uint16_t serverRtcp = response.m_usServerPort2 ? response.m_usServerPort2 : serverRtp;
    DeliverText(PELLMAR_DATA_PORT, response.m_strMulticastPort);
    DeliverText(PELLMAR_DATA_DESTINATION, response.m_strDestination);
    if (!m_cContexts.Has("ServerListenPort")) {
        char value[512];
        std::snprintf(value, sizeof value, "ip=%s&port=%d&ssrc=%s",
                      (response.m_strSource.empty() ? m_strHost : response.m_strSource).c_str(), serverRtp,
                      (response.m_strSsrc.empty() ? m_strSessionId : response.m_strSsrc).c_str());
        StoreContextText("ServerListenPort", value);
    }
    PELLMAR_LOG_INFO("ProcSetup Success, Client[%s:%d], ServerPort[%s:%d], MediaIndex=%d", m_strBindAddress.c_str(),
                     m_cClientMediaArray[track].LocalPort(), m_strHost.c_str(), serverRtp, track);
    if (m_usDestPort != 0)
        return 0;
    if (m_bMulticast)
        return OpenMulticastTrack(response, track);
    CRtspClientMedia& media = m_cClientMediaArray[track];
    media.SetFirstSend(m_strSessionId);
    media.SetAnnouncedSource(response.m_strSource);
    const char* bind = m_strBindAddress.empty() ? nullptr : m_strBindAddress.c_str();
    if (media.Open(&m_cRtspTransSession, 2 * track, m_strHost.c_str(), serverRtp, serverRtcp, bind) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "m_cClientMediaArray[%d] Open Fail", track);
        return -1;
    }
    if (media.RecvData(m_pfnDataCB, m_pDataUser) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "m_cClientMediaArray[%d] RecvData Fail", track);
        return -1;
    }
    return 0;
}

int CRtspClientSession::OpenMulticastTrack(const CSetupRsp& response, int track)
{
    // The answer's port range wins over the one asked for.
    const int answered = std::atoi(response.m_strMulticastPort.c_str());
    const int port = answered > 0 && answered < 65535 ? answered : m_stTracks[track].multicastPort;
    const std::string& group = response.m_strDestination;
    const std::string& source = response.m_strSource.empty() ? m_strHost : response.m_strSource;
    const char* bind = m_strBindAddress.empty() ? nullptr : m_strBindAddress.c_str();
    CRtspClientMedia& media = m_cClientMediaArray[track];
    if (group.empty() || port <= 0 || port >= 65535 ||
        media.OpenMulticast(group.c_str(), static_cast<uint16_t>(port), source.c_str(), bind) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "m_cClientMediaArray[%d] OpenMulticast Fail, Group<%s:%d>", track, group.c_str(),
                          port);
        return -1;
    }
    if (media.RecvData(m_pfnDataCB, m_pDataUser) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "m_cClientMediaArray[%d] RecvData Fail", track);
        return -1;
    }
    return 0;
}

int CRtspClientSession::SendPlay()
{
    CPlayReq request;
    request.m_strUrl = AggregateUrl();
    request.m_iBackChannel = m_bBackChannel;
    if (m_bScalePending)
        request.m_dScale = m_dScale;
    if (m_bRangePending)
        request.m_strRange = m_strRange;
    if (m_bModeChangePending)
        request.m_iModeChange = m_iModeChange;
    if (m_bDrawFramePending) {
        request.m_iDrawFrame = m_iDrawFrame;
        request.m_strDrawFrameTime = m_strDrawFrameTime;
        request.m_iDrawFrameType = m_iDrawFrameType;
    }
    m_bScalePending = m_bRangePending = m_bModeChangePending = m_bDrawFramePending = false;
    CCommonRsp response;
    if (SendSimple(request, response, PELLMAR_TRACE_PLAY, PELLMAR_ERR_SEND_PLAY, kResponseTimeoutMs) != 0)
        return -1;
    m_bPlaying = 1;
    m_bPaused = 0;
    m_ullLastMediaMs = Now();
    m_bSilenceReported = false;
    return 0;
}

int CRtspClientSession::SendTeardown()
{
    CTeardownReq request;
    request.m_strUrl = TraceUrl(AggregateUrl(), "SendTeardown");
    request.m_iBackChannel = m_bBackChannel;
    m_bPlaying = 0;
    m_bPaused = 0;
    m_cContexts.Take("StopStream", request.m_strStopStream);
    CCommonRsp response;
    return SendSimple(request, response, PELLMAR_TRACE_TEARDOWN, PELLMAR_ERR_SEND_TEARDOWN, kTeardownTimeoutMs);
}

std::string CRtspClientSession::TraceUrl(const std::string& url, const char* who)
{
    std::string traceId, spanId;
    if (!CTraceLibrary::GetTraceIds(traceId, spanId))
        return url;
    PELLMAR_LOG_INFO("%s, GetTraceContext, trace_id=%s, span_id=%s", who, traceId.c_str(), spanId.c_str());
    if (!traceId.empty())
        CTraceLibrary::TraceStart();
    if (traceId.empty() || spanId.empty() || m_bNoTraceUrl)
        return url;
    if (url.find('?') == std::string::npos)
        return url + "?traceId=" + traceId + "&spanId=" + spanId;
    std::string result = url;
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"traceId=", traceId}, {"spanId=", spanId}}) {
        const size_t found = result.find(key);
        if (found == std::string::npos) {
            result += "&" + key + value;
            continue;
        }
        const size_t start = found + key.size();
        const size_t end = result.find('&', start);
        result.replace(start, end == std::string::npos ? std::string::npos : end - start, value);
    }
    return result;
}

void CRtspClientSession::StoreContextText(const std::string& name, const std::string& value)
{
    m_cContexts.AddText(name, value);
}

// ---- SDP --------------------------------------------------------------------

int CRtspClientSession::ParseSdp(const std::string& sdp)
{
    if (sdp.empty())
        return -1;
    for (CRtspClientMedia& track : m_cClientMediaArray)
        track.Close();
    m_iTrackCount = 0;
    CSdp parsed;
    std::string text = sdp;
    if (!parsed.ParseSdp(text)) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession ParseSdp Fail, cSdp ParseSdp Fail, SDP<%s>", sdp.c_str());
        text = CSdpTrackInfo::FallbackSdp(m_strUrl);
        parsed.ParseSdp(text);
    }
    if (m_strControl.empty())
        m_strControl = parsed.m_strControl;
    if (!parsed.m_strRange.empty()) {
        m_strRange = parsed.m_strRange;
        m_bRangePending = true;
    }
    DeliverText(PELLMAR_DATA_SDP, text);
    for (int i = 0; i < parsed.m_iMediaCount && i < kMaxMediaCount; ++i) {
        const CSdpMedia& media = parsed.m_media[i];
        TrackRecord& record = m_stTracks[i];
        record.control = media.m_strControl;
        record.backChannel = media.m_iSendOnly;
        record.skip = 0;
        if (media.m_iSendOnly)
            m_iBackChannelIndex = i;
        if (!media.m_strRange.empty()) {
            m_strRange = media.m_strRange;
            m_bRangePending = true;
        }
        ++m_iTrackCount;
        RTSP_MEDIA_DESC_T description = CSdpTrackInfo::MakeRecord(media);
        const int pack =
            CSdpTrackInfo::ChooseRtpPack(media.m_mediaInfo, static_cast<size_t>(media.m_iMediaInfoLength), m_bRtpPack);
        if (m_bMulticast && m_usDestPort == 0)
            m_cClientMediaArray[i].InitMulticast(pack, i);
        if (m_usDestPort == 0 && !m_bMulticast && m_cClientMediaArray[i].Init(m_eRtpTransMethod, pack, i) != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession ParseSdp Fail, m_cClientMediaArray[%d] Init Fail", i);
            return -1;
        }
        // The jitter of an 8 kHz audio track is counted in its own units.
        m_cClientMediaArray[i].SetClockRate(description.iFormatCount > 0 ? description.stFormats[0].iClockRate : 0);
        record.skip = DeliverDescription(i, description);
    }
    DeliverMediaInfo(parsed);
    return 0;
}

int CRtspClientSession::DeliverDescription(int track, RTSP_MEDIA_DESC_T& description)
{
    if (m_pfnDataCB == nullptr)
        return 0;
    STREAM_DATA_T data{reinterpret_cast<unsigned char*>(&description), sizeof description, 0, 1, 0};
    m_pfnDataCB(track, PELLMAR_DATA_MEDIA_DESC, &data, m_pDataUser);
    return description.iSkip;
}

void CRtspClientSession::DeliverMediaInfo(CSdp& sdp)
{
    if (m_pfnDataCB == nullptr)
        return;
    for (int i = 0; i < sdp.m_iMediaCount && i < kMaxMediaCount; ++i) {
        CSdpMedia& media = sdp.m_media[i];
        if (media.m_iMediaInfoLength <= 0 || media.m_iMediaInfoLength > CSdpMedia::kMediaInfoSize)
            continue;
        STREAM_DATA_T data{media.m_mediaInfo, static_cast<uint32_t>(media.m_iMediaInfoLength), 0, 1, 0};
        m_pfnDataCB(i, PELLMAR_DATA_MEDIA_INFO, &data, m_pDataUser);
    }
}
