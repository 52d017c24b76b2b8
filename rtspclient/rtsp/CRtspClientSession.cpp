#include "rtsp/CRtspClientSession.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "api/CConfig.h"
#include "rtsp/PellmarLog.h"
#include "rtp/CSdpTrackInfo.h"
#include "rtp/CreateTcpConnect.h"
#include "rtsp/CRtspMessageText.h"
#include "auth/Authorization.h"
#include "rtsp/CUriParser.h"
#include "ZMR_Guard.h"

namespace {
std::string Text(const char* text) { return text ? text : ""; }

const char* const kBackChannelRequire = "www.onvif.org/ver20/backchannel";
const char* const kKeepAliveMethods[] = {"HEARTBEAT", "OPTIONS", "GET_PARAMETER", "SET_PARAMETER"};
}

CRtspClientSession::CRtspClientSession() : m_cResponses(Now()) {}

CRtspClientSession::~CRtspClientSession()
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 1;
    Close();
}

uint64_t CRtspClientSession::Now() { return ZMR_GetTimeTick(); }

void CRtspClientSession::SetCallbacks(pfnStreamMsgCB msgCB, pfnStreamDataCB dataCB, void* user)
{
    ZMR_Guard guard(m_cMutex);
    m_pfnMsgCB = msgCB;
    m_pMsgUser = user;
    m_pfnDataCB = dataCB;
    m_pDataUser = user;
}

void CRtspClientSession::SetMessageCallback(pfnStreamMsgCB msgCB, void* user)
{
    ZMR_Guard guard(m_cMutex);
    m_pfnMsgCB = msgCB;
    m_pMsgUser = user;
}

void CRtspClientSession::SetStreamOptions(int rtpPack, const char* destAddress, uint16_t destPort, int ownQueue,
                                          int noTraceUrl)
{
    ZMR_Guard guard(m_cMutex);
    m_bRtpPack = rtpPack;
    m_strDestAddress = Text(destAddress);
    m_usDestPort = destPort;
    m_bOwnQueue = ownQueue;
    m_bNoTraceUrl = noTraceUrl;
}

void CRtspClientSession::BindLocalIP(const char* address)
{
    ZMR_Guard guard(m_cMutex);
    m_strBindAddress = Text(address);
}

// ---- open and close ---------------------------------------------------------

int CRtspClientSession::Open(const std::string& url, const std::string& user, const std::string& password,
                             const std::string& userAgent, int transMethod)
{
    m_strUser = user;
    m_strPassword = password;
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
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, cRtspUri ParseUri Fail, Url<%s>", url.c_str());
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
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, CreateTcpConnect Fail, ServerAddr<%s:%d>", m_strHost.c_str(),
                          m_usPort);
        return -1;
    }
    if (m_cRtspTransSession.Open(socket) != 0) {
        m_uiLastError = PELLMAR_ERR_OPEN;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession Open Fail, m_cRtspTransSession Open Fail, iConnSocketFd<%d>", socket);
        return -1;
    }
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
    for (CRtspClientMedia& track : m_cClientMediaArray)
        track.Close();
    for (TrackRecord& record : m_stTracks)
        record = TrackRecord();
    m_iTrackCount = 0;
    m_cRtspTransSession.Close();
    m_cContexts.Clear();
    m_bPlaying = 0;
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
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream Fail, Redirect Count<%d>", kMaxRedirects);
            return -1;
        }
        const std::string target = m_strRedirectUrl;
        if (Open(target, m_strUser, m_strPassword, m_strUserAgent, m_eRtpTransMethod) != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "StartStream Fail, Open Fail, Url<%s>", target.c_str());
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
                                    int transCode)
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 0;
    if (!m_bClosed) {
        // A second start would reuse the live connection with new tracks
        // beside the old ones; the caller stops first.
        m_uiLastError = PELLMAR_ERR_OPEN;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream Fail, Session Already Started, Url<%s>", Text(url).c_str());
        return -1;
    }
    const int method = MapTransCode(transCode, true);
    if (method < 0) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream Fail, TransCode<%d> is wrong", transCode);
        return -1;
    }
    if (m_bOwnQueue) {
        for (CRtspClientMedia& track : m_cClientMediaArray)
            track.SetOwnQueue(m_bOwnQueue);
    }
    const std::string agent = m_bCascade ? "CascadeMedia" : Text(userAgent);
    m_strResumeSessionId.clear();
    m_bMulticast = 0;
    if (Open(Text(url), Text(user), Text(password), agent, method) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream Fail, Open Fail, Url<%s>", Text(url).c_str());
        return -1;
    }
    if (CheckCancelOperate()) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStream Fail, CheckCancelOperate, Url<%s>", Text(url).c_str());
        Close();
        return -1;
    }
    m_strUrl = TraceUrl(m_strUrl, "StartStream");
    return StartSequence(true);
}

int CRtspClientSession::StartStreamEx(const char* url, const char* user, const char* password,
                                      const char* userAgent, const char* sessionId, int transCode)
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 0;
    if (!m_bClosed) {
        m_uiLastError = PELLMAR_ERR_OPEN;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStreamEx Fail, Session Already Started, Url<%s>",
                          Text(url).c_str());
        return -1;
    }
    const int method = MapTransCode(transCode, false);
    if (method < 0) {
        m_uiLastError = PELLMAR_ERR_PARAM;
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStreamEx Fail, TransCode<%d> is wrong", transCode);
        return -1;
    }
    m_bMulticast = 0;
    if (Open(Text(url), Text(user), Text(password), Text(userAgent), method) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStreamEx Fail, Open Fail, Url<%s>", Text(url).c_str());
        return -1;
    }
    m_strResumeSessionId = Text(sessionId);
    if (CheckCancelOperate()) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession StartStreamEx Fail, CheckCancelOperate, Url<%s>", Text(url).c_str());
        Close();
        return -1;
    }
    m_strUrl = TraceUrl(m_strUrl, "StartStreamEx");
    return StartSequence(true);
}

int CRtspClientSession::ResumeStream(const char* url, const char* sessionId)
{
    ZMR_Guard guard(m_cMutex);
    m_iSuppressReports = 0;
    if (Open(Text(url), "", "", "", CRtspClientMedia::kRtpOverUdp) != 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "ResumeStream Fail, Open Fail, Url<%s>", Text(url).c_str());
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
        PELLMAR_LOG_ERROR(kSessionLog, "QueryRedirectUrl Fail, Open Fail, Url<%s>", url);
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

int CRtspClientSession::ProbeByDescribe(const char* url, const char* user, const char* password,
                                        const char* userAgent, int transMethod)
{
    ZMR_Guard guard(m_cMutex);
    if (transMethod < 0 || transMethod >= 3) {
        m_uiLastError = PELLMAR_ERR_URL;
        PELLMAR_LOG_ERROR(kSessionLog, "ProbeByDescribe Fail, eRtpTransMethod[%d] is wrong, Url<%s>", transMethod, Text(url).c_str());
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
        if (m_iCancelOperate == 0)
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

CRtspClientSession::Headers CRtspClientSession::CommonHeaders(const char* method, const std::string& url,
                                                              bool authorize)
{
    Headers headers;
    if (authorize) {
        std::string value;
        if (m_iAuthMode == AUTH_MODE_NONE)
            value = BuildAuthorization(method, url, m_strChallenge, m_strUser, m_strPassword);
        else if (m_iAuthMode == AUTH_MODE_BASIC && !m_strUser.empty())
            value = "Basic " + BuildBasicCredentials(m_strUser, m_strPassword);
        else if (m_iAuthMode == AUTH_MODE_AES && !m_strUser.empty() && GenerateAuthAES(m_strUser, m_strPassword, value) == 0)
            value = "AES " + value;
        if (!value.empty())
            headers.emplace_back("Authorization", value);
    }
    if (!m_strSessionId.empty())
        headers.emplace_back("Session", m_strSessionId);
    if (!m_strUserAgent.empty())
        headers.emplace_back("User-Agent", m_strUserAgent);
    return headers;
}

bool CRtspClientSession::SendRequest(const char* method, const std::string& url, Headers headers, int traceKind,
                                     int* cseq, const std::string& body, bool authorize)
{
    const uint16_t number = NextCSeq();
    Headers all = CommonHeaders(method, url, authorize);
    all.insert(all.end(), headers.begin(), headers.end());
    const std::string text = CRtspMessageText::BuildRequest(method, url, number, all, body);
    if (traceKind >= 0)
        ReportTrace(traceKind, text.c_str(), static_cast<int>(text.size()));
    if (cseq)
        *cseq = number;
    return m_cRtspTransSession.SendData(text.data(), static_cast<uint32_t>(text.size()), nullptr, nullptr, 0) == 0;
}

int CRtspClientSession::SendSimple(const char* method, const std::string& url, Headers headers, int traceKind,
                                   uint32_t sendError, unsigned int timeoutMs, std::string* responseText)
{
    int cseq = 0;
    if (!SendRequest(method, url, std::move(headers), traceKind, &cseq)) {
        if (sendError)
            m_uiLastError = sendError;
        PELLMAR_LOG_ERROR(kSessionLog, "Send%s Fail, m_cRtspTransSession SendData Fail", method);
        return -1;
    }
    std::string text;
    if (!RecvRtspRsp(cseq, text, timeoutMs)) {
        m_uiLastError = PELLMAR_ERR_TIMEOUT;
        PELLMAR_LOG_ERROR(kSessionLog, "Proc%s Fail, RecvRtspRsp Fail", method);
        return -1;
    }
    ReportTrace(traceKind + 1, text.c_str(), static_cast<int>(text.size()));
    CRtspMessageText response(text);
    response.ParseStatusLine();
    m_uiLastError = static_cast<uint32_t>(response.StatusPosition());
    if (response.StatusCode() != 200) {
        PELLMAR_LOG_ERROR(kSessionLog, "Proc%s Fail, Status<%d>", method, response.StatusCode());
        return -1;
    }
    if (responseText)
        *responseText = std::move(text);
    return 0;
}

int CRtspClientSession::SendOptions()
{
    int cseq = 0;
    if (!SendRequest("OPTIONS", m_strUrl, {}, PELLMAR_TRACE_OPTIONS, &cseq)) {
        m_uiLastError = PELLMAR_ERR_SEND_OPTIONS;
        PELLMAR_LOG_ERROR(kSessionLog, "SendOptions Fail, m_cRtspTransSession SendData Fail");
        return -1;
    }
    std::string text;
    if (!RecvRtspRsp(cseq, text, kResponseTimeoutMs)) {
        m_uiLastError = PELLMAR_ERR_TIMEOUT;
        PELLMAR_LOG_ERROR(kSessionLog, "ProcOptions Fail, RecvRtspRsp Fail");
        return -1;
    }
    ReportTrace(PELLMAR_TRACE_OPTIONS + 1, text.c_str(), static_cast<int>(text.size()));
    CRtspMessageText response(text);
    return ProcOptions(response);
}

int CRtspClientSession::ProcOptions(CRtspMessageText& response)
{
    const bool parsed = response.ParseStatusLine();
    const int status = response.StatusPosition();
    if (!parsed || (status != 1 && status != 5 && status != 6 && status != 11)) {
        m_uiLastError = static_cast<uint32_t>(status);
        PELLMAR_LOG_ERROR(kSessionLog, "ProcOptions Fail, cOptionRsp ParseMsg Fail, Result<%d>, Status<%d>", parsed, status);
        return -1;
    }
    const std::string support = response.Header("SupportAuth");
    if (support.find("BASE64") != std::string::npos)
        m_iAuthMode = 1;
    if (support.find("AES") != std::string::npos)
        m_iAuthMode = 2;
    if (support.find("Authenty") != std::string::npos)
        m_iAuthMode = 3;
    if (status == 5 || status == 6) {
        const std::string location = response.Header("Location");
        if (location == m_strUrl) {
            m_bRedirect = 0;
            PELLMAR_LOG_INFO("No Redirect, OldUrl<%s>, NewUrl<%s>", m_strUrl.c_str(), location.c_str());
        } else {
            m_bRedirect = 1;
            m_strRedirectUrl = location;
            PELLMAR_LOG_INFO("Redirect, OldUrl<%s>, NewUrl<%s>", m_strUrl.c_str(), location.c_str());
        }
        return 0;
    }
    if (status == 11) {
        m_strChallenge = response.Header("WWW-Authenticate");
        if (m_strChallenge.empty()) {
            m_uiLastError = static_cast<uint32_t>(status);
            return -1;
        }
        return 0;
    }
    m_vecPublic.clear();
    const std::string list = response.Header("Public");
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = list.find(',', start);
        m_vecPublic.push_back(CRtspMessageText::Trim(list.substr(start, comma - start)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (m_strKeepAliveMethod.empty()) {
        for (const std::string& method : m_vecPublic) {
            for (const char* candidate : kKeepAliveMethods) {
                if (method == candidate && m_strKeepAliveMethod.empty())
                    m_strKeepAliveMethod = candidate;
            }
        }
    }
    return 0;
}

int CRtspClientSession::SendKeepAlive()
{
    const bool heartbeat = m_strKeepAliveMethod == "HEARTBEAT";
    int cseq = 0;
    if (!SendRequest(heartbeat ? "HEARTBEAT" : "OPTIONS", m_strUrl, {}, -1, &cseq)) {
        PELLMAR_LOG_ERROR(kSessionLog, "%s Fail, m_cRtspTransSession SendData Fail",
                          heartbeat ? "CRtspClientSession SendHeartBeat" : "SendOptions");
        return -1;
    }
    m_iKeepAliveCSeq = cseq;
    return 0;
}

int CRtspClientSession::SendDescribe()
{
    for (int round = 0; round < 2; ++round) {
        Headers headers{{"Accept", "application/sdp"}, {"StandardStream", std::to_string(m_iPlayBackMode)}};
        for (const char* name : {"TransCode", "StartStream", "ResumeStream"}) {
            std::string value;
            if (m_cContexts.Take(name, value))
                headers.emplace_back(name, value);
        }
        if (m_bBackChannel)
            headers.emplace_back("Require", kBackChannelRequire);
        if (m_iAuthMode == AUTH_MODE_SEP)
            AddSepAuthorization(headers, round);
        int cseq = 0;
        if (!SendRequest("DESCRIBE", m_strUrl, headers, PELLMAR_TRACE_DESCRIBE, &cseq)) {
            m_uiLastError = PELLMAR_ERR_SEND_DESCRIBE;
            PELLMAR_LOG_ERROR(kSessionLog, "SendDescribe Fail, m_cRtspTransSession SendData Fail");
            return -1;
        }
        std::string text;
        if (!RecvRtspRsp(cseq, text, CConfig::Instance().DescribeTimeoutMs())) {
            m_uiLastError = PELLMAR_ERR_TIMEOUT;
            PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, RecvRtspRsp Fail");
            return PELLMAR_ERR_DESCRIBE;
        }
        ReportTrace(PELLMAR_TRACE_DESCRIBE + 1, text.c_str(), static_cast<int>(text.size()));
        CRtspMessageText response(text);
        const int result = ProcDescribe(response);
        if (result == kDescribeOk)
            return 0;
        if (result != kDescribeRetry)
            return PELLMAR_ERR_DESCRIBE;
    }
    PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession SendDescribe Fail, ProcDescribe Fail");
    return PELLMAR_ERR_DESCRIBE;
}

void CRtspClientSession::AddSepAuthorization(Headers& headers, int round)
{
    headers.emplace_back("Sep", "CIPHER_SUITES=\"0\"");
    if (round == 0 || m_strSepSuite != "0")
        return;
    // Devices accept their factory account when the caller gives none.
    const std::string user = m_strUser.empty() ? "admin" : m_strUser;
    const std::string password = m_strPassword.empty() ? "70586" : m_strPassword;
    std::string value, key, identification;
    if (GenerateAuthWithSuite_0(password, m_strSepPublicKey, user, m_strSepRandom, m_cContexts.Text("token"), value,
                                key, identification) != 0)
        return;
    headers.emplace_back("Authorization", "SEP " + value);
    headers.emplace_back("Key", key);
    if (!identification.empty())
        headers.emplace_back("Identification", identification);
}

int CRtspClientSession::ProcDescribe(CRtspMessageText& response)
{
    if (!response.ParseStatusLine()) {
        PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, ParseMsg Fail");
        return -1;
    }
    const int status = response.StatusPosition();
    m_uiLastError = static_cast<uint32_t>(status);
    if (status == 1) {
        if (m_strControl.empty())
            m_strControl = response.Header("Content-Base");
        const std::string body = response.Body();
        if (ParseSdp(body) != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, ParseSdp Fail, SDP:%s", body.c_str());
            return -1;
        }
        return kDescribeOk;
    }
    if (status == 5 || status == 6) {
        const std::string location = response.Header("Location");
        m_bRedirect = location != m_strUrl;
        m_strRedirectUrl = m_bRedirect ? location : std::string();
        return kDescribeOk;
    }
    if (status == 11) {
        m_strChallenge = response.Header("WWW-Authenticate");
        if (m_strChallenge.empty())
            return -1;
        if (m_iAuthMode != AUTH_MODE_SEP)
            return kDescribeRetry;
        for (int n = 0; response.HasHeader("WWW-Authenticate") && n < 8; ++n) {
            const std::string challenge = response.Header("WWW-Authenticate", n);
            if (challenge.empty())
                break;
            if (challenge.compare(0, 4, "SEP ") == 0) {
                m_strChallenge = challenge;
                break;
            }
        }
        if (!ParseSepChallenge(m_strChallenge, response.Header("PKD"), m_strSepSuite, m_strSepRandom,
                               m_strSepPublicKey)) {
            PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, SEP challenge refused<%s>", m_strChallenge.c_str());
            return -1;
        }
        return kDescribeRetry;
    }
    PELLMAR_LOG_ERROR(kSessionLog, "ProcDescribe Fail, Status<%d>", response.StatusCode());
    return -1;
}

std::string CRtspClientSession::AggregateUrl() const
{
    if (m_strControl.compare(0, 7, "rtsp://") == 0)
        return m_strControl;
    if (m_strControl.empty() || m_strControl == "*")
        return m_strUrl;
    return m_strUrl + (m_strUrl.back() == '/' ? "" : "/") + m_strControl;
}

std::string CRtspClientSession::TrackUrl(const std::string& control) const
{
    const bool relative = control.compare(0, 7, "trackID=") == 0 || control.compare(0, 5, "track") == 0 ||
                          control.compare(0, 7, "rtsp://") != 0;
    if (!relative)
        return control;
    const std::string base = AggregateUrl();
    return base + (!base.empty() && base.back() == '/' ? "" : "/") + control;
}

int CRtspClientSession::SendSetup()
{
    if (m_iTrackCount == 0) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendSetup Fail, no track");
        return -1;
    }
    if (m_usDestPort != 0 && m_eRtpTransMethod == CRtspClientMedia::kRtpOverRtsp) {
        PELLMAR_LOG_ERROR(kSessionLog, "SendSetup Fail, TransMethod is RTP_OVER_RTSP and DestPort[%d] is not null", m_usDestPort);
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
        const std::string url = perTrack ? TrackUrl(m_stTracks[i].control) : AggregateUrl();
        if (m_bCascade)
            m_cClientMediaArray[i].SetCascade(1);
        std::string transport;
        const uint16_t clientPort = m_usDestPort ? m_usDestPort : m_cClientMediaArray[i].LocalPort();
        if (m_bMulticast) {
            transport = "RTP/AVP;multicast;port=" + std::to_string(m_iMulticastPort) + "-" +
                        std::to_string(m_iMulticastPort + 1);
            m_iMulticastPort += 2;
        } else if (m_eRtpTransMethod == CRtspClientMedia::kRtpOverRtsp) {
            transport = "RTP/AVP/TCP;unicast;interleaved=" + std::to_string(2 * i) + "-" + std::to_string(2 * i + 1);
        } else {
            const bool tcp = m_eRtpTransMethod == CRtspClientMedia::kRtpOverTcp;
            transport = std::string(tcp ? "RTP/AVP/TCP" : "RTP/AVP") + ";unicast;client_port=" +
                        std::to_string(clientPort) + "-" + std::to_string(clientPort + 1);
            if (tcp && m_iTransVariant)
                transport += ";ActiveConnVal=" + std::to_string(m_iTransVariant);
            if (!m_strDestAddress.empty())
                transport += ";destination=" + m_strDestAddress;
        }
        Headers headers{{"Transport", transport}};
        if (m_bBackChannel && m_stTracks[i].backChannel)
            headers.emplace_back("Require", kBackChannelRequire);
        int cseq = 0;
        if (!SendRequest("SETUP", url, headers, PELLMAR_TRACE_SETUP, &cseq)) {
            m_uiLastError = PELLMAR_ERR_SEND_SETUP;
            PELLMAR_LOG_ERROR(kSessionLog, "SendSetup Fail, m_cRtspTransSession SendData Fail");
            return -1;
        }
        std::string text;
        if (!RecvRtspRsp(cseq, text, kResponseTimeoutMs)) {
            m_uiLastError = PELLMAR_ERR_TIMEOUT;
            PELLMAR_LOG_ERROR(kSessionLog, "ProcSetup Fail, RecvRtspRsp Fail");
            return -1;
        }
        ReportTrace(PELLMAR_TRACE_SETUP + 1, text.c_str(), static_cast<int>(text.size()));
        CRtspMessageText response(text);
        if (ProcSetup(response, i) != 0)
            return -1;
        if (!perTrack)
            break;
    }
    return 0;
}

int CRtspClientSession::ProcSetup(CRtspMessageText& response, int track)
{
    if (!response.ParseStatusLine()) {
        PELLMAR_LOG_ERROR(kSessionLog, "ProcSetup Fail, ParseMsg Fail");
        return -1;
    }
    m_uiLastError = static_cast<uint32_t>(response.StatusPosition());
    if (response.StatusCode() != 200) {
        PELLMAR_LOG_ERROR(kSessionLog, "ProcSetup Fail, Status<%d>", response.StatusCode());
        return -1;
    }
    m_strSessionId = response.SessionId();
    m_iSessionTimeout = response.SessionTimeout();
    const std::string transport = response.Header("Transport") + ";";
    const std::string serverPorts = CRtspMessageText::Parameter(transport, "server_port");
    const uint16_t serverRtp = static_cast<uint16_t>(std::atoi(serverPorts.c_str()));
    const size_t dash = serverPorts.find('-');
    const uint16_t serverRtcp =
        dash == std::string::npos ? serverRtp : static_cast<uint16_t>(std::atoi(serverPorts.c_str() + dash + 1));
    const std::string port = CRtspMessageText::Parameter(transport, "port");
    const std::string destination = CRtspMessageText::Parameter(transport, "destination");
    const std::string source = CRtspMessageText::Parameter(transport, "source");
    const std::string ssrc = CRtspMessageText::Parameter(transport, "ssrc");
    if (m_pfnDataCB) {
        for (const auto& [type, value] : {std::pair<int, const std::string*>{PELLMAR_DATA_PORT, &port},
                                          {PELLMAR_DATA_DESTINATION, &destination}}) {
            if (value->empty())
                continue;
            STREAM_DATA_T data{reinterpret_cast<unsigned char*>(const_cast<char*>(value->c_str())),
                               static_cast<uint32_t>(value->size()), 0, 1, 0};
            m_pfnDataCB(0, type, &data, m_pDataUser);
        }
    }
    if (!m_cContexts.Has("ServerListenPort")) {
        char value[512];
        std::snprintf(value, sizeof value, "ip=%s&port=%d&ssrc=%s", (source.empty() ? m_strHost : source).c_str(),
                      serverRtp, (ssrc.empty() ? m_strSessionId : ssrc).c_str());
        StoreContextText("ServerListenPort", value);
    }
    PELLMAR_LOG_INFO("ProcSetup Success, Client[%s:%d], ServerPort[%s:%d], MediaIndex=%d",
                     m_strBindAddress.c_str(), m_cClientMediaArray[track].LocalPort(), m_strHost.c_str(), serverRtp,
                     track);
    if (m_usDestPort != 0 || m_bMulticast)
        return 0;
    CRtspClientMedia& media = m_cClientMediaArray[track];
    media.SetFirstSend(m_strSessionId);
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

int CRtspClientSession::SendPlay()
{
    Headers headers;
    if (m_bScalePending && m_dScale != 0.0) {
        char scale[64];
        std::snprintf(scale, sizeof scale, "%f", m_dScale);
        headers.emplace_back("Scale", scale);
    }
    if (m_bRangePending && !m_strRange.empty())
        headers.emplace_back("Range", m_strRange);
    if (m_bModeChangePending)
        headers.emplace_back("ModeChange", std::to_string(m_iModeChange));
    if (m_bDrawFramePending) {
        headers.emplace_back("DrawFrame", std::to_string(m_iDrawFrame));
        headers.emplace_back("DrawFrameTime", m_strDrawFrameTime);
        headers.emplace_back("DrawFrameType", std::to_string(m_iDrawFrameType));
    }
    if (m_bBackChannel)
        headers.emplace_back("Require", kBackChannelRequire);
    m_bScalePending = m_bRangePending = m_bModeChangePending = m_bDrawFramePending = false;
    if (SendSimple("PLAY", AggregateUrl(), headers, PELLMAR_TRACE_PLAY, PELLMAR_ERR_SEND_PLAY, kResponseTimeoutMs,
                   nullptr) != 0)
        return -1;
    m_bPlaying = 1;
    return 0;
}

int CRtspClientSession::SendTeardown()
{
    const std::string url = TraceUrl(AggregateUrl(), "SendTeardown");
    m_bPlaying = 0;
    Headers headers;
    std::string stopStream;
    if (m_cContexts.Take("StopStream", stopStream))
        headers.emplace_back("StopStream", stopStream);
    if (m_bBackChannel)
        headers.emplace_back("Require", kBackChannelRequire);
    return SendSimple("TEARDOWN", url, headers, PELLMAR_TRACE_TEARDOWN, PELLMAR_ERR_SEND_TEARDOWN,
                      kTeardownTimeoutMs, nullptr);
}

std::string CRtspClientSession::TraceUrl(const std::string& url, const char*)
{
    // The optional trace library is not loaded on this platform: no trace
    // context reaches the URL.
    return url;
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
    CSessionSdp parsed;
    std::string text = sdp;
    if (!parsed.Parse(text)) {
        PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession ParseSdp Fail, cSdp ParseSdp Fail, SDP<%s>", sdp.c_str());
        text = CSdpTrackInfo::FallbackSdp(m_strUrl);
        parsed.Parse(text);
    }
    if (m_strControl.empty())
        m_strControl = parsed.control;
    if (!parsed.range.empty()) {
        m_strRange = parsed.range;
        m_bRangePending = true;
    }
    if (m_pfnDataCB) {
        STREAM_DATA_T data{reinterpret_cast<unsigned char*>(&text[0]), static_cast<uint32_t>(text.size()), 0, 1, 0};
        m_pfnDataCB(0, PELLMAR_DATA_SDP, &data, m_pDataUser);
    }
    bool anyHeader = false;
    for (size_t i = 0; i < parsed.media.size(); ++i) {
        const CSessionSdp::Media& media = parsed.media[i];
        TrackRecord& record = m_stTracks[i];
        record.control = media.control;
        record.backChannel = media.sendOnly;
        record.skip = 0;
        if (media.sendOnly)
            m_iBackChannelIndex = static_cast<int>(i);
        if (!media.range.empty()) {
            m_strRange = media.range;
            m_bRangePending = true;
        }
        ++m_iTrackCount;
        std::vector<CSdpTrackInfo::Format> formats;
        for (const CSessionSdp::Format& format : media.formats)
            formats.push_back({format.payloadType, format.clockRate, format.encodingName, format.encodingParams,
                               format.fmtp});
        RTSP_MEDIA_DESC_T description = CSdpTrackInfo::MakeRecord(media.type, media.header, formats);
        const int pack = CSdpTrackInfo::ChooseRtpPack(media.header.data(), media.header.size(), m_bRtpPack);
        anyHeader = anyHeader || !media.header.empty();
        if (m_usDestPort == 0 && !m_bMulticast &&
            m_cClientMediaArray[i].Init(m_eRtpTransMethod, pack, static_cast<int>(i)) != 0) {
            PELLMAR_LOG_ERROR(kSessionLog, "CRtspClientSession ParseSdp Fail, m_cClientMediaArray[%zu] Init Fail", i);
            return -1;
        }
        if (m_pfnDataCB) {
            STREAM_DATA_T data{reinterpret_cast<unsigned char*>(&description), sizeof description, 0, 1, 0};
            m_pfnDataCB(static_cast<int>(i), PELLMAR_DATA_MEDIA_DESC, &data, m_pDataUser);
            record.skip = description.iSkip;
        }
    }
    if (anyHeader && m_pfnDataCB) {
        for (size_t i = 0; i < parsed.media.size(); ++i) {
            std::vector<uint8_t> header = parsed.media[i].header;
            if (header.empty())
                continue;
            STREAM_DATA_T data{header.data(), static_cast<uint32_t>(header.size()), 0, 1, 0};
            m_pfnDataCB(static_cast<int>(i), PELLMAR_DATA_MEDIA_INFO, &data, m_pDataUser);
        }
    }
    return 0;
}
