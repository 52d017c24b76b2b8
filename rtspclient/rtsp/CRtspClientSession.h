#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ZMR_Mutex.h"
#include "api/Pellmar.h"
#include "rtp/CRtspClientMedia.h"
#include "rtsp/CRtspResponseMap.h"
#include "rtp/CRtspTransSession.h"
#include "rtsp/CSdp.h"
#include "rtsp/CSessionContextMap.h"
#include "common/shared_object.h"

class CCommonReq;
class CCommonRsp;
class COptionsRsp;
class CDescribeRsp;
class CDescribeReq;
class CSetupRsp;
class CPtzReq;

// One RTSP 1.0 client session: one RTSP connection to one server, up to four
// tracks, the request sequence OPTIONS, DESCRIBE, SETUP, PLAY, and TEARDOWN.
//
// Threads: every public operation runs on its caller's thread under the
// session mutex, including the waits for responses. The connection's receive
// thread (OnRtspMessage) never takes that mutex: it only stores responses in
// the response map and raises reports. The heartbeat thread runs
// CheckHeartBeat, which skips a session whose mutex is held by a request.
class CRtspClientSession : public shared_object
{
public:
    static constexpr int kMaxMediaCount = 4;
    static constexpr int kMaxRedirects = 5;
    static constexpr unsigned int kConnectTimeoutMs = 4000;
    static constexpr unsigned int kResponseTimeoutMs = 5000;
    static constexpr unsigned int kTeardownTimeoutMs = 500;
    static constexpr unsigned int kWaitStepMs = 20;
    static constexpr int kMaxUnansweredKeepAlives = 30;
    static constexpr size_t kSendPieceBytes = 8192;
    // Requests sent again after a stale-nonce answer, at most.
    static constexpr int kMaxStaleRetries = 2;
    // Code of the session's log lines.
    static constexpr unsigned int kSessionLog = 0x022308A0;

    CRtspClientSession();
    ~CRtspClientSession() override;
    CRtspClientSession(const CRtspClientSession&) = delete;
    CRtspClientSession& operator=(const CRtspClientSession&) = delete;

    // What a start takes from the caller's record besides the URL and
    // credentials. A start applies it only once it is accepted (the session
    // stopped), under the session mutex: a refused start leaves the running
    // stream's callbacks and options alone, and no queue thread reads them
    // while they change, as no connection or track is open then.
    struct StreamSetup
    {
        pfnStreamMsgCB msgCB = nullptr;
        pfnStreamDataCB dataCB = nullptr;
        void* user = nullptr;
        int rtpPack = 1;
        const char* destAddress = nullptr;
        uint16_t destPort = 0;
        int ownQueue = 0;
        int noTraceUrl = 0;
        const PLAYBACK_PARAM_T* playBack = nullptr; // null: none
    };

    // ---- start and stop ----
    int StartStream(const char* url, const char* user, const char* password, const char* userAgent, int transCode,
                    const StreamSetup& setup);
    int StartStreamEx(const char* url, const char* user, const char* password, const char* userAgent,
                      const char* sessionId, int transCode, const StreamSetup& setup);
    int ResumeStream(const char* url, const char* sessionId, pfnStreamMsgCB msgCB, void* user);
    int StopStream();
    int StopStreamEx();
    int QueryRedirectUrl(const char* url, const char** redirectUrl);
    int ProbeByDescribe(const char* url, const char* user, const char* password, const char* userAgent,
                        int transMethod);

    // ---- play control and side requests ----
    int Pause();
    int Resume();
    int SetScale(double scale);
    int SeekByRelTime(int from, int to);
    int SeekByAbsTime(const ABS_TIME_T* from, const ABS_TIME_T* to);
    int SeekByAbsTimeEx(const char* from, const char* to);
    int StreamControl(const STREAM_CONTROL_T* control);
    int PtzControl(int command, int param1, int param2, int param3, int param4);
    int GetVideoParam(int& brightness, int& contrast, int& saturation, int& hue);
    int SetVideoParam(int brightness, int contrast, int saturation, int hue);
    int ForceIFrame();
    int SendData(int track, const STREAM_DATA_T* data);
    int SendDataEx(int kind, int track, const STREAM_DATA_T* data);
    int AnnounceSDP();
    int PrepareSessionInfo(const char* uri, char* buffer, int bufferSize, int* length);
    int StartMultiCast(const char* url, const char* user, const char* password, const char* userAgent, int transMethod,
                       int multicastPort, const StreamSetup& setup);
    int SetContext(const Session_Context_T* context);
    int SetContextEx(const char* name, const void* value, int length);
    int GetContext(const char* name, void* buffer, int bufferSize, int* length);

    void Interrupt() { m_iCancelOperate = 1; }
    void BindLocalIP(const char* address);
    void EnableBackChannel() { m_bBackChannel = 1; }
    int BackChannelIndex() const { return m_iBackChannelIndex; }
    uint32_t LastError() const { return m_uiLastError; }
    bool IsPlaying() const { return m_bPlaying != 0; }
    // Heartbeat checks while a keep-alive waited for its answer.
    int UnansweredKeepAlives() const { return m_iUnansweredKeepAlive.load(); }
    // Responses held for a wait.
    size_t PendingResponses() { return m_cResponses.Size(); }

    // ---- receiving and keep-alive ----
    // One heartbeat check (every 4 s from the session manager's thread).
    int CheckHeartBeat();
    // Part of the check: reports a playing session whose tracks received
    // nothing for the media-silence time, once per silence.
    void CheckMediaSilence();
    // The connection's text-message callback; length 0: the connection is gone.
    static void OnRtspMessage(const char* text, int length, void* session);

    // Clock of the response map's sweep; tests move it.
    static uint64_t Now();

private:
    struct TrackRecord
    {
        std::string control;
        int skip = 0;
        int backChannel = 0;
        int multicastPort = 0; // asked for in SETUP
    };
    enum DescribeResult { kDescribeOk = 0, kDescribeRetry = 1 };
    enum Exchange { kAnswered, kNotSent, kNoAnswer };

    int Open(const std::string& url, const std::string& user, const std::string& password, const std::string& userAgent,
             int transMethod);
    void Close();
    int MapTransCode(int transCode, bool withCascade);
    // StartStream and StartStreamEx; `name` is the one the logs give.
    int Start(const char* name, const char* url, const char* user, const char* password, const char* userAgent,
              const std::string& resumeSessionId, int transCode, bool extended, const StreamSetup& setup);
    // False (logged, last error PELLMAR_ERR_OPEN) when the session is not
    // stopped: a second start must not touch the running one.
    bool AcceptStart(const char* name, const char* url);
    void ApplySetup(const StreamSetup& setup);
    int SetPlayBackParam(const PLAYBACK_PARAM_T& playBack);
    int RunRedirects(int (CRtspClientSession::*step)(), const char* stepName);
    int StartSequence(bool withRedirects);

    // Request steps; each returns 0 on success.
    int SendOptions();
    int SendKeepAlive();
    int SendDescribe();
    int SendSetup();
    int SendPlay();
    int SendTeardown();
    int ProcOptions(COptionsRsp& response);
    int ProcDescribe(CDescribeRsp& response);
    void AddSepAuthorization(CDescribeReq& request, int round);
    int ProcSetup(CSetupRsp& response, int track);
    // Joins the group the SETUP answer names and receives the track.
    int OpenMulticastTrack(const CSetupRsp& response, int track);
    // Sends the request and waits for its answer, read into `response`; a
    // Digest 401 with stale=true sends it again with the new nonce.
    Exchange Transact(CCommonReq& request, CCommonRsp& response, int traceKind, unsigned int timeoutMs);
    // A new challenge restarts the Digest nonce count.
    void SetChallenge(const std::string& challenge);
    bool TakeStaleKeepAliveChallenge(std::string& challenge);
    // Sends the request and waits for a 200 answer, read into `response`.
    int SendSimple(CCommonReq& request, CCommonRsp& response, int traceKind, uint32_t sendError,
                   unsigned int timeoutMs);
    // A device-control OPTIONS (PTZ, video parameters, key frame).
    int SendDeviceControl(CPtzReq& request, CCommonRsp& response, int traceKind, const char* failure);

    // Fills the common fields (CSeq, User-Agent, Session, authorization),
    // reports and sends the request; false when it could not be sent.
    // A keep-alive is matched by its CSeq on arrival; any other request's
    // answer is awaited through the response map.
    bool SendRequest(CCommonReq& request, int traceKind, int* cseq, bool keepAlive = false);
    // Waits for the answer and parses it; false (last error stored) without one.
    bool ReceiveResponse(int cseq, CCommonRsp& response, int traceKind, unsigned int timeoutMs);
    // 0 when the response arrived, else the error: PELLMAR_ERR_TIMEOUT,
    // _CANCELLED, _CONNECTION_CLOSED, _BAD_RESPONSE or _RESPONSE_TOO_LARGE.
    uint32_t RecvRtspRsp(int cseq, std::string& text, unsigned int timeoutMs);
    // The last error a response status gives: its position in the status
    // table, or PELLMAR_ERR_UNKNOWN_STATUS for a code outside it.
    static uint32_t StatusError(int status);
    int CheckCancelOperate();
    uint16_t NextCSeq();

    int ParseSdp(const std::string& sdp);
    void ApplyAnnouncedSdp(const std::string& sdp);
    // Data callback deliveries that carry no RTP packet.
    void DeliverText(int dataType, const std::string& text);
    int DeliverDescription(int track, RTSP_MEDIA_DESC_T& description);
    void DeliverMediaInfo(CSdp& sdp);
    std::string AggregateUrl() const;
    std::string TrackUrl(const std::string& control) const;
    std::string TraceUrl(const std::string& url, const char* who);
    void StoreContextText(const std::string& name, const std::string& value);
    int PlayWithPending();

    void OnMessage(const char* text, int length);
    void OnServerRequest(int kind, const std::string& message);
    void ReportTrace(int kind, const char* text, int length);
    void ReportException(int code, const char* text, int length);
    void ReportNotify(int value, const char* text, int length);
    void Report(int type, int code, const char* text, int length);
    bool ReportsSuppressed() { return m_iSuppressReports.load() != 0; }

    CRtspTransSession m_cRtspTransSession;
    CRtspClientMedia m_cClientMediaArray[kMaxMediaCount];
    TrackRecord m_stTracks[kMaxMediaCount];
    int m_iTrackCount = 0;
    CSdp m_cOwnSdp; // the session's own description for ANNOUNCE
    CRtspResponseMap m_cResponses;

    pfnStreamDataCB m_pfnDataCB = nullptr;
    void* m_pDataUser = nullptr;
    pfnStreamMsgCB m_pfnMsgCB = nullptr;
    void* m_pMsgUser = nullptr;

    std::string m_strUrl;
    std::string m_strHost;
    uint16_t m_usPort = 0;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strUserAgent;
    int m_eRtpTransMethod = CRtspClientMedia::kRtpOverRtsp;

    bool m_bScalePending = false;
    double m_dScale = 1.0;
    bool m_bRangePending = false;
    std::string m_strRange;
    bool m_bModeChangePending = false;
    int m_iModeChange = 0;
    bool m_bDrawFramePending = false;
    int m_iDrawFrame = 0;
    int m_iDrawFrameType = 0;
    std::string m_strDrawFrameTime;
    int m_iPlayBackMode = 0;
    int m_bRtpPack = 1;
    std::string m_strDestAddress;
    uint16_t m_usDestPort = 0;

    std::string m_strSessionId;
    std::string m_strControl;
    std::vector<int> m_vecPublic;
    ZMR_Mutex m_cCSeqMutex;
    uint16_t m_usCSeq = 0;

    std::atomic<int> m_iUnansweredKeepAlive{0};
    std::atomic<int> m_iKeepAliveCSeq{-1};
    std::atomic<int> m_bPlaying{0};
    std::atomic<int> m_bPaused{0};
    // A keep-alive was sent and no 200 has answered it yet.
    std::atomic<bool> m_bKeepAliveOutstanding{false};
    int m_iKeepAliveKind = 16; // none chosen yet
    int m_bRedirect = 0;
    std::string m_strRedirectUrl;
    std::atomic<int> m_iCancelOperate{0};
    // Why the RTSP connection ended (0 while it lives): every wait on it fails
    // with this error. Set by the receive thread, cleared with the connection.
    std::atomic<uint32_t> m_uiConnectionFailure{0};
    // A message arrived that is neither a request nor a response.
    std::atomic<bool> m_bBadResponse{false};
    std::string m_strBindAddress;
    ZMR_Mutex m_cMutex;
    std::atomic<int> m_bClosed{1};
    std::atomic<int> m_iSuppressReports{0};
    int m_bCascade = 0;
    std::atomic<uint32_t> m_uiLastError{0};
    std::string m_strChallenge;
    unsigned int m_uiNonceCount = 0; // Digest requests made with the challenge's nonce
    // A stale-nonce challenge that answered a keep-alive (receive thread).
    ZMR_Mutex m_cStaleMutex;
    std::string m_strStaleChallenge;
    int m_iSessionTimeout = 60;
    int m_iKeepAlivePass = 0;
    uint32_t m_uiLastDelivered = 0; // media packets at the last check
    uint64_t m_ullLastMediaMs = 0;  // when they last changed (or play began)
    bool m_bSilenceReported = false;
    int m_iTransVariant = 0;
    CSessionContextMap m_cContexts;
    std::string m_strResumeSessionId;
    int m_iAuthMode = 0;
    int m_iMulticastPort = -1;
    int m_bMulticast = 0;
    std::string m_strSepSuite;
    std::string m_strSepRandom;
    std::string m_strSepPublicKey;
    int m_bOwnQueue = 0;
    int m_bNoTraceUrl = 0;
    int m_bBackChannel = 0;
    int m_iBackChannelIndex = -1;
};
