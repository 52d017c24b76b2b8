/*
 * Pellmar: RTSP 1.0 / RTP client library, flat C interface.
 *
 * Usage: Pellmar_InitLib once (counted), then per stream Pellmar_CreateSession,
 * Pellmar_StartStream, later Pellmar_StopStream and Pellmar_DestroySession, and
 * Pellmar_FiniLib at the end. A session handle is an integer from 1 to 9999;
 * 0 means no session.
 *
 * Results: 0 on success; -1 for an unknown handle or a bad argument; otherwise
 * the session's last error (PELLMAR_ERR_* below, or the position of the
 * server's unexpected RTSP status in the status table: 11 for 401, 14 for 404;
 * a status code outside the table gives PELLMAR_ERR_UNKNOWN_STATUS).
 *
 * Records are plain structures owned by the caller; the library copies what
 * it keeps during the call. Texts are zero-terminated; a null text is empty.
 *
 * Callbacks run on the library's threads with no lock of the caller held. They
 * must return quickly and must not call back into the same session. Once
 * Pellmar_StopStream (or Pellmar_DestroySession) returns, no callback of that
 * session runs again.
 */
#ifndef PELLMAR_H
#define PELLMAR_H

#include <stdint.h>

#if defined(PELLMAR_BUILDING)
#define PELLMAR_API __attribute__((visibility("default")))
#else
#define PELLMAR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records ------------------------------------------------------------ */

/* Data types of the data callback. */
enum {
    PELLMAR_DATA_MEDIA_INFO = 1,     /* the track's media-info header */
    PELLMAR_DATA_RTP = 2,            /* one RTP packet, whole or payload */
    PELLMAR_DATA_MEDIA_DESC = 10,    /* the track's media description record */
    PELLMAR_DATA_SDP = 11,           /* SDP text of DESCRIBE or ANNOUNCE */
    PELLMAR_DATA_DESTINATION = 26,   /* SETUP Transport "destination" */
    PELLMAR_DATA_PORT = 27,          /* SETUP Transport "port" */
    PELLMAR_DATA_END_OF_STREAM = 100 /* the stream has ended (RTCP BYE) */
};

/* One block of data. For data that is no RTP packet the last three fields
 * are 0, 1, 0. Read the other way by the back-channel send: payload type
 * (low byte), marker (non-zero = set), timestamp increment. */
typedef struct STREAM_DATA_T
{
    unsigned char* pData;
    uint32_t uiDataLen;
    uint32_t uiPayloadType;
    uint32_t uiMarker;
    uint32_t uiTimeStamp;
} STREAM_DATA_T;

/* Runs on a library thread; must return quickly and must not call the same
 * session back. The data is valid only during the call. Result ignored. */
typedef int (*pfnStreamDataCB)(int iMediaIndex, int iDataType, STREAM_DATA_T* pData, void* pUser);

/* The media description record the data callback receives once per track
 * (data type 10). It holds no pointers, so its layout is the same on every
 * build: 1612 bytes, little-endian integers, texts zero-terminated. */
#define RTSP_MEDIA_MAX_FORMATS 4
#define RTSP_MEDIA_HEADER_MAX 256

typedef struct RTSP_MEDIA_FORMAT_T
{
    int32_t iPayloadType;
    int32_t iClockRate;
    char szEncodingName[32];   /* at most 31 characters */
    char szEncodingParams[32]; /* at most 31 */
    char szFmtp[256];          /* the "a=fmtp" parameters, at most 255 */
} RTSP_MEDIA_FORMAT_T;

typedef struct RTSP_MEDIA_DESC_T
{
    char szMediaType[32];                         /* such as "video", at most 31 */
    uint8_t byMediaHeader[RTSP_MEDIA_HEADER_MAX]; /* the media-info header */
    int32_t iMediaHeaderLen;                      /* 0 when longer than 256 */
    RTSP_MEDIA_FORMAT_T stFormats[RTSP_MEDIA_MAX_FORMATS];
    int32_t iFormatCount;
    int32_t iSkip; /* 0 on delivery; the callback sets 1 to leave the track out of SETUP */
} RTSP_MEDIA_DESC_T;

/* Local port ranges: RTP uses an even port P and RTCP P + 1. */
typedef struct PORT_POOL_T
{
    uint16_t usTcpStartPort;
    uint16_t usTcpPortCount;
    uint16_t usUdpStartPort;
    uint16_t usUdpPortCount;
} PORT_POOL_T;

/* Rendered as YYYYMMDDTHHMMSSZ. */
typedef struct ABS_TIME_T
{
    uint32_t uiYear;
    uint32_t uiMonth;
    uint32_t uiDay;
    uint32_t uiHour;
    uint32_t uiMinute;
    uint32_t uiSecond;
} ABS_TIME_T;

/* Transport codes of the stream parameters. */
enum {
    PELLMAR_TRANS_UDP = 0,          /* RTP over UDP */
    PELLMAR_TRANS_RTSP = 1,         /* RTP interleaved in the RTSP connection */
    PELLMAR_TRANS_TCP = 2,          /* RTP over its own TCP connection */
    PELLMAR_TRANS_TCP_VARIANT1 = 3, /* as 2, Transport with ActiveConnVal=1 */
    PELLMAR_TRANS_TCP_VARIANT2 = 4, /* as 2, Transport with ActiveConnVal=2 */
    PELLMAR_TRANS_CASCADE = 6       /* as 2, frame lengths in 4-byte words */
};

/* Playback block: range and scale sent with the first PLAY. */
typedef struct PLAYBACK_PARAM_T
{
    int iPlayBackMode; /* sent with DESCRIBE as "StandardStream" */
    int bRelRange;     /* 1: npt range from iRelFrom to iRelTo (seconds) */
    int iRelFrom;
    int iRelTo;
    int bAbsRange; /* 1: clock range from stAbsFrom to stAbsTo */
    ABS_TIME_T stAbsFrom;
    ABS_TIME_T stAbsTo;
    int bScale; /* 1: send dScale */
    double dScale;
} PLAYBACK_PARAM_T;

/* Message callback: iMsgType PELLMAR_MSG_*, pMsg points to a PELLMAR_MSG_T. */
typedef void (*pfnStreamMsgCB)(int iMsgType, void* pMsg, void* pUser);
/* Kept for the caller; the library never calls it. */
typedef void (*pfnLogCB)(int iLevel, const char* pszModule, const char* pszMessage);

typedef struct STREAM_PARAM_T
{
    const char* pszUrl; /* rtsp://[user:password@]host[:port]/path */
    const char* pszUserName;
    const char* pszPassword;
    const char* pszUserAgent;
    int bRtpPack;            /* 1: data callback gets whole RTP packets; 0: payloads */
    int iTransCode;          /* PELLMAR_TRANS_* */
    const char* pszDestAddr; /* SETUP "destination" (optional) */
    uint16_t usDestPort;     /* non-zero: SETUP client_port, and no local ports are opened */
    pfnStreamMsgCB pfnMsgCB;
    pfnStreamDataCB pfnDataCB;
    void* pUser; /* handed back to both callbacks */
    PLAYBACK_PARAM_T stPlayBack;
    uint8_t bOwnQueue;   /* UDP tracks get completion threads of their own */
    uint8_t bNoTraceUrl; /* 1: trace ids are not appended to the URL */
} STREAM_PARAM_T;

/* For Pellmar_StartStreamEx: resumes a server-side session by its id. */
typedef struct STREAM_PARAM_EX_T
{
    const char* pszUrl;
    const char* pszUserName;
    const char* pszPassword;
    const char* pszUserAgent;
    const char* pszSessionId;
    int bRtpPack;
    int iTransCode;
    const char* pszDestAddr;
    uint16_t usDestPort;
    pfnStreamMsgCB pfnMsgCB;
    pfnStreamDataCB pfnDataCB;
    void* pUser;
    PLAYBACK_PARAM_T stPlayBack;
} STREAM_PARAM_EX_T;

typedef struct RESUME_PARAM_T
{
    const char* pszUrl;
    const char* pszSessionId;
    pfnStreamMsgCB pfnMsgCB;
    void* pUser;
} RESUME_PARAM_T;

typedef struct PTZ_CTRL_T
{
    int iCommand;
    int iParam1;
    int iParam2;
    int iParam3;
    int iParam4;
} PTZ_CTRL_T;

typedef struct VIDEO_PARAM_T
{
    int iBrightness;
    int iContrast;
    int iSaturation;
    int iHue;
} VIDEO_PARAM_T;

/* For Pellmar_StreamControl: one PLAY with Scale, ModeChange and DrawFrame. */
typedef struct STREAM_CONTROL_T
{
    float fScale;
    int iModeChange;
    int iDrawFrame;
    char szDrawFrameTime[128];
    int iDrawFrameType;
} STREAM_CONTROL_T;

#define PELLMAR_CONTEXT_NAME_SIZE 1280
typedef struct Session_Context_T
{
    char szName[PELLMAR_CONTEXT_NAME_SIZE]; /* at most 1279 characters */
    int iValueLen;                          /* bytes of pValue, its terminating zero included */
    void* pValue;
    uint8_t byReserved[128];
} Session_Context_T;

/* What pMsg of the message callback points to. */
typedef struct PELLMAR_MSG_T
{
    int iCode;           /* trace kind, exception code or notification value */
    const char* pszText; /* valid only during the call; may be null */
    int iLength;
} PELLMAR_MSG_T;

/* Message types. */
enum {
    PELLMAR_MSG_TRACE = 0,     /* an RTSP message sent or received; iCode below */
    PELLMAR_MSG_EXCEPTION = 1, /* iCode PELLMAR_EXC_* */
    PELLMAR_MSG_NOTIFY = 2     /* a server ANNOUNCE's non-zero "ExtErrInfo" errcode and description */
};

/* Trace kinds: requests even, their responses odd. */
enum {
    PELLMAR_TRACE_OPTIONS = 0,
    PELLMAR_TRACE_DESCRIBE = 2,
    PELLMAR_TRACE_SETUP = 4,
    PELLMAR_TRACE_PLAY = 6,
    PELLMAR_TRACE_PAUSE = 8,
    PELLMAR_TRACE_TEARDOWN = 10,
    PELLMAR_TRACE_SERVER_ANNOUNCE = 16,
    PELLMAR_TRACE_ANNOUNCE_RSP = 17,
    PELLMAR_TRACE_SERVER_REDIRECT = 18,
    PELLMAR_TRACE_PTZ = 22,
    PELLMAR_TRACE_GET_VIDEO_PARAM = 24,
    PELLMAR_TRACE_SET_VIDEO_PARAM = 26 /* also the key-frame request */
};

/* Exception codes. */
enum {
    PELLMAR_EXC_KEEPALIVE_LOST = 0,  /* keep-alives went unanswered; the session is cancelled */
    PELLMAR_EXC_CONNECTION_LOST = 1, /* the RTSP connection closed or failed */
    PELLMAR_EXC_REDIRECT = 3,        /* the server sent REDIRECT; text = the new location */
    PELLMAR_EXC_CANCELLED = 4,       /* an operation was cancelled */
    /* A playing session received no media for the media-silence time
     * (Pellmar_SetMediaSilenceTimeout) while its connection stays open: a
     * frozen server. Reported once; the session is not stopped. */
    PELLMAR_EXC_MEDIA_SILENCE = 5
};

/* Session last errors. */
#define PELLMAR_ERR_ALLOC 0x022316E9
#define PELLMAR_ERR_URL 0x022316EA
#define PELLMAR_ERR_CONNECT 0x022316EB
#define PELLMAR_ERR_OPEN 0x022316EC /* also: a start on a session not stopped */
#define PELLMAR_ERR_RECV 0x022316ED
#define PELLMAR_ERR_SEND_OPTIONS 0x022316EE
#define PELLMAR_ERR_SEND_DESCRIBE 0x022316EF
#define PELLMAR_ERR_SEND_SETUP 0x022316F0
#define PELLMAR_ERR_SEND_PLAY 0x022316F1
#define PELLMAR_ERR_SEND_PAUSE 0x022316F2
#define PELLMAR_ERR_SEND_TEARDOWN 0x022316F3
#define PELLMAR_ERR_BAD_ARGUMENT 0x022316F4
#define PELLMAR_ERR_TIMEOUT 0x022316F5
#define PELLMAR_ERR_DESCRIBE 0x022316F6
/* The server closed the RTSP connection, or it failed, before the answer. */
#define PELLMAR_ERR_CONNECTION_CLOSED 0x022316F7
/* The server answered with something that is no RTSP message. */
#define PELLMAR_ERR_BAD_RESPONSE 0x022316F8
/* An answer longer than the 256 KiB the library reads (the connection is closed). */
#define PELLMAR_ERR_RESPONSE_TOO_LARGE 0x022316F9
/* More than five redirects in a row. */
#define PELLMAR_ERR_REDIRECT_LOOP 0x022316FA
/* The server answered with a status code the library does not know. */
#define PELLMAR_ERR_UNKNOWN_STATUS 0x022316FB
/* Pellmar_Interrupt (or unanswered keep-alives) cancelled the wait for an answer. */
#define PELLMAR_ERR_CANCELLED 0x022316FC
/* A refused argument (null record, unknown transport code, negative seek);
 * Pellmar_StreamControl on a closed session. */
#define PELLMAR_ERR_PARAM 0x02230811
#define PELLMAR_ERR_CLOSED 0x02230827

/* Kinds of Pellmar_SendDataEx that announce a back-channel description. */
#define PELLMAR_SEND_ANNOUNCE 1
#define PELLMAR_SEND_ANNOUNCE_10 0x10010
#define PELLMAR_SEND_ANNOUNCE_12 0x10012
#define PELLMAR_SEND_ANNOUNCE_14 0x10014

/* ---- Library ------------------------------------------------------------ */

PELLMAR_API void Pellmar_SetLogCB(pfnLogCB pfnLog);
PELLMAR_API void Pellmar_SetLocalIP(const char* pszLocalIp);
/* Counted; null pool: tracks that need local ports (UDP, TCP) cannot open. */
PELLMAR_API int Pellmar_InitLib(const PORT_POOL_T* pstPortPool);
PELLMAR_API void Pellmar_FiniLib(void);
/* 5000 to 120000 ms; default 15000. */
PELLMAR_API int Pellmar_SetDescribeTimeout(unsigned int uiMilliseconds);
/* Media silence after which PELLMAR_EXC_MEDIA_SILENCE is reported: 1000 to
 * 600000 ms, 0 = never; default 10000. Checked every 4 s, so the report comes
 * up to 4 s later. 0 on success, -1 outside the range. */
PELLMAR_API int Pellmar_SetMediaSilenceTimeout(unsigned int uiMilliseconds);

/* ---- Sessions ----------------------------------------------------------- */

PELLMAR_API int Pellmar_CreateSession(void);
PELLMAR_API void Pellmar_DestroySession(int hSession);

PELLMAR_API int Pellmar_StartStream(int hSession, const STREAM_PARAM_T* pstStreamParam);
PELLMAR_API int Pellmar_StartStreamEx(int hSession, const STREAM_PARAM_EX_T* pstStreamParam);
PELLMAR_API int Pellmar_ResumeStream(int hSession, const RESUME_PARAM_T* pstResumeParam);
PELLMAR_API int Pellmar_StopStream(int hSession);
PELLMAR_API int Pellmar_StopStreamEx(int hSession);
/* Multicast: uses fields pszUrl to pUser of the record. The group and port
 * reach the data callback (PELLMAR_DATA_DESTINATION, PELLMAR_DATA_PORT); each
 * track joins the group the SETUP answer names (on the interface of
 * Pellmar_BindLocalIP, else the system's choice) and receives on its port. */
PELLMAR_API int Pellmar_StartMulticast(int hSession, const STREAM_PARAM_T* pstStreamParam, int iMulticastPort);
PELLMAR_API int Pellmar_StopMulticast(int hSession);
/* OPTIONS-less DESCRIBE; the SDP reaches the data callback as PELLMAR_DATA_SDP. */
PELLMAR_API int Pellmar_ProbeByDescribe(int hSession, const char* pszUrl, const char* pszUserName,
                                        const char* pszPassword, const char* pszUserAgent, int iTransMethod);
/* *ppszRedirectUrl: the OPTIONS redirect target or null; owned by the session,
 * valid until its next start or query. */
PELLMAR_API int Pellmar_QueryRedirectUrl(int hSession, const char* pszUrl, const char** ppszRedirectUrl);

/* ---- Play control ------------------------------------------------------- */

PELLMAR_API int Pellmar_Pause(int hSession);
PELLMAR_API int Pellmar_Resume(int hSession);
PELLMAR_API int Pellmar_SetScale(int hSession, double dScale);
PELLMAR_API int Pellmar_SeekByRelTime(int hSession, int iFrom, int iTo);
PELLMAR_API int Pellmar_SeekByAbsTime(int hSession, const ABS_TIME_T* pstFrom, const ABS_TIME_T* pstTo);
PELLMAR_API int Pellmar_SeekByAbsTimeEx(int hSession, const char* pszFrom, const char* pszTo);
PELLMAR_API int Pellmar_StreamControl(int hSession, const STREAM_CONTROL_T* pstControl);

/* ---- Side requests ------------------------------------------------------ */

PELLMAR_API int Pellmar_PTZControl(int hSession, const PTZ_CTRL_T* pstPtz);
PELLMAR_API int Pellmar_GetVideoParam(int hSession, VIDEO_PARAM_T* pstVideoParam);
PELLMAR_API int Pellmar_SetVideoParam(int hSession, const VIDEO_PARAM_T* pstVideoParam);
PELLMAR_API int Pellmar_ForceIFrame(int hSession);
/* Back channel: iMediaIndex 0 to 3; pData is read as data, length, payload
 * type, marker and timestamp increment, and sent in RTP packets of at most
 * 8192 bytes of payload. */
PELLMAR_API int Pellmar_SendData(int hSession, int iMediaIndex, const STREAM_DATA_T* pstData);
/* iKind PELLMAR_SEND_ANNOUNCE*: pData (at most 256 bytes) is the track's
 * media-info header, announced to the server; any other kind: Pellmar_SendData. */
PELLMAR_API int Pellmar_SendDataEx(int hSession, int iMediaIndex, int iKind, const STREAM_DATA_T* pstData);
PELLMAR_API int Pellmar_SetContext(int hSession, const Session_Context_T* pstContext);
PELLMAR_API int Pellmar_SetContextEx(int hSession, const char* pszName, const void* pValue, int iLength);
/* Copies the entry's value into pBuffer of iBufferSize bytes and its length
 * into *piLength. When the buffer is too small nothing is copied, *piLength
 * gets the length needed and -1 is returned. */
PELLMAR_API int Pellmar_GetContext(int hSession, const char* pszName, void* pBuffer, int iBufferSize, int* piLength);
/* ANNOUNCE that fetches the server's session information into pBuffer
 * (iBufferSize > 0; always terminated); *piLength = the bytes copied. */
PELLMAR_API int Pellmar_PrepareSessionInfo(int hSession, const char* pszUri, char* pBuffer, int iBufferSize,
                                           int* piLength);
/* Cancels the operation under way (or the next one) of the session. */
PELLMAR_API int Pellmar_Interrupt(int hSession);
PELLMAR_API int Pellmar_BindLocalIP(int hSession, const char* pszLocalIp);
PELLMAR_API int Pellmar_EnableBackChannel(int hSession);
PELLMAR_API int Pellmar_GetBackChannelIndex(int hSession);

#ifdef __cplusplus
}

#include <cstddef>
static_assert(sizeof(RTSP_MEDIA_FORMAT_T) == 328, "format entry layout");
static_assert(sizeof(RTSP_MEDIA_DESC_T) == 1612, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, byMediaHeader) == 32, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, iMediaHeaderLen) == 288, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, stFormats) == 292, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, iFormatCount) == 1604, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, iSkip) == 1608, "media description layout");
#endif

#endif
