/*
 * Tessoran: the device SDK of Corvane. Logs into detection devices, reads their
 * configuration, receives the alarms they push, streams live video and fetches
 * recordings by time. The wire protocol is described in PROTOCOL.md.
 *
 * Conventions
 *  - Handles (login IDs, listener, real-play and download handles) are int32_t;
 *    -1 (or any negative value) means failure. A handle is never reused within a
 *    process, not even across TSR_Cleanup and TSR_Init.
 *  - TSR_BOOL results are non-zero on success.
 *  - After any failure TSR_GetLastError() gives the code and TSR_GetErrorMsg() the
 *    text. Both are per thread. A successful call leaves them as they were.
 *    TSR_GetErrorMsg() never returns NULL.
 *  - Before TSR_Init and after TSR_Cleanup every other call fails with
 *    TSR_ERR_NOT_INITIALISED and does nothing else. TSR_Cleanup twice is harmless;
 *    TSR_Init after TSR_Cleanup starts afresh.
 *  - Logins are synchronous and bounded: connecting gives up after about 3 s, each
 *    reply is awaited about 5 s (TSR_SetNetworkTimes changes both).
 *
 * Callback contract (all callbacks)
 *  - Callbacks run on threads of the SDK, never on the caller's thread.
 *  - No lock of the SDK is held while a callback runs, so a callback may call any
 *    TSR_* function, including the stop function of what it belongs to.
 *  - Buffers and records passed to a callback are valid only until it returns;
 *    copy what you keep.
 *  - TSR_StopListen, TSR_StopRealPlay, TSR_StopGetFile and TSR_Cleanup return only
 *    when no callback for what they stop is running or will run again. Called from
 *    inside such a callback they return at once; that callback is the last one.
 *
 * Threads
 *  - Listener (TSR_StartListen): one dispatch thread per listener runs its message
 *    callbacks one at a time, in arrival order; its round thread runs the round-end
 *    callback after a round that held alarms (TSR_SetAlarmRoundCallBack), while the
 *    dispatch thread delivers the next round. It is fed by a bounded queue (256
 *    alarms or 4 MiB); while the queue is full the SDK stops reading from the
 *    devices' connections, so TCP pushes back on the devices instead of memory
 *    growing.
 *  - Exception callback: one event thread of the SDK, one call at a time, in the
 *    order the events happened. Reports for a login stop with its TSR_Logout;
 *    one the event thread was already delivering may still finish after it.
 *  - Real-data callback: the real-play handle's own receive thread; blocks of one
 *    handle arrive one at a time and in stream order.
 */
#ifndef TESSORAN_H
#define TESSORAN_H

#include <stdint.h>

#if defined(__GNUC__)
#define TSR_API __attribute__((visibility("default")))
#else
#define TSR_API
#endif

#ifdef __cplusplus
#define TSR_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define TSR_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

typedef int32_t TSR_BOOL;
/* A native window handle (Qt's WId). */
typedef uintptr_t TSR_HWND;

/* ---- Limits -------------------------------------------------------------- */
#define TSR_MAX_IP_DEVICES 64 /* IP-channel entries of the 1062 configuration */
#define TSR_MAX_LANES 8       /* lane entries of a traffic-parameter alarm */
#define TSR_MAX_PICTURES 8    /* picture entries of a violation alarm */
#define TSR_NAME_LEN 32
#define TSR_PASSWORD_LEN 16
#define TSR_IPV4_LEN 16
#define TSR_IPV6_LEN 128
#define TSR_SERIAL_LEN 48
#define TSR_PLATE_LEN 16
#define TSR_LOGIN_ADDRESS_LEN 129
#define TSR_LOGIN_USER_LEN 64
#define TSR_LOGIN_PASSWORD_LEN 64

/* ---- Error codes (TSR_GetLastError) --------------------------------------- */
#define TSR_ERR_NONE 0
#define TSR_ERR_NOT_INITIALISED 1 /* TSR_Init not called, or TSR_Cleanup called */
#define TSR_ERR_INVALID_ARGUMENT 2
#define TSR_ERR_INVALID_HANDLE 3 /* unknown or already closed login ID / handle */
#define TSR_ERR_CONNECT_FAILED 4 /* device refused or unreachable */
#define TSR_ERR_CONNECT_TIMEOUT 5
#define TSR_ERR_REPLY_TIMEOUT 6 /* device connected but did not answer in time */
#define TSR_ERR_CONNECTION_LOST 7
#define TSR_ERR_PROTOCOL 8        /* malformed or unexpected frame from the device */
#define TSR_ERR_BAD_CREDENTIALS 9 /* user name or password wrong */
#define TSR_ERR_LOGIN_REFUSED 10  /* device refuses logins at the moment */
#define TSR_ERR_UNSUPPORTED 11    /* command or option the SDK or device lacks */
#define TSR_ERR_BUFFER_TOO_SMALL 12
#define TSR_ERR_NO_VIDEO 13       /* the device has no recording in the range */
#define TSR_ERR_FILE 14           /* the target file cannot be created or written */
#define TSR_ERR_LISTEN 15         /* the listener address cannot be bound */
#define TSR_ERR_NO_PLAYER 16      /* the window cannot be drawn into */
#define TSR_ERR_CHANNEL 17        /* the device has no such channel */
#define TSR_ERR_RESOURCES 18      /* out of memory, threads or descriptors */
#define TSR_ERR_DEVICE_OFFLINE 19 /* the login's device is currently dropped */
#define TSR_ERR_ORDER 20          /* call made in the wrong state */

/* ---- Exception types (exception callback) ---------------------------------- */
#define TSR_EXCEPTION_DEVICE_DROPPED 0x8005  /* three heartbeats missed or link lost */
#define TSR_EXCEPTION_DEVICE_RESTORED 0x8006 /* a later re-login succeeded */

/* ---- Alarm commands (listener and message callbacks) ---------------------- */
#define TSR_ALARM_VIOLATION 0x1113      /* body TSR_TFS_ALARM */
#define TSR_ALARM_TRAFFIC_PARAMS 0x1114 /* body TSR_TPS_ALARM */
#define TSR_ALARM_INCIDENT 0x1115       /* body TSR_AID_ALARM */

/* ---- Configuration commands (TSR_GetDeviceConfig) ------------------------- */
#define TSR_GET_IPPARACFG 1062 /* out buffer TSR_IPPARACFG */

/* ---- Real-data block types ------------------------------------------------ */
#define TSR_DATA_STREAM_HEADER 1 /* one TSR_STREAM_HEADER_SIZE block, first */
#define TSR_DATA_STREAM 2        /* MPEG-TS packets (H.264) */

/* ---- TSR_PlayBackControl codes ---------------------------------------------- */
#define TSR_PLAYSTART 1

/* ---- Packed device time ------------------------------------------------------
 * One 32-bit word: seconds bits 0-5, minutes 6-11, hours 12-16, day 17-21,
 * month 22-25, year minus 2000 bits 26-31. */
#define TSR_PACK_TIME(y, mo, d, h, mi, s)                                                                              \
    ((uint32_t)((((uint32_t)(y)-2000u) << 26) | ((uint32_t)(mo) << 22) | ((uint32_t)(d) << 17) |                       \
                ((uint32_t)(h) << 12) | ((uint32_t)(mi) << 6) | (uint32_t)(s)))
#define TSR_TIME_YEAR(t) ((((t) >> 26) & 0x3Fu) + 2000u)
#define TSR_TIME_MONTH(t) (((t) >> 22) & 0x0Fu)
#define TSR_TIME_DAY(t) (((t) >> 17) & 0x1Fu)
#define TSR_TIME_HOUR(t) (((t) >> 12) & 0x1Fu)
#define TSR_TIME_MINUTE(t) (((t) >> 6) & 0x3Fu)
#define TSR_TIME_SECOND(t) ((t)&0x3Fu)

/* ---- Login ------------------------------------------------------------------ */
typedef struct
{
    char sDeviceAddress[TSR_LOGIN_ADDRESS_LEN]; /* IPv4 text, NUL-terminated */
    uint8_t byRes1;
    uint16_t wPort;
    char sUserName[TSR_LOGIN_USER_LEN];
    char sPassword[TSR_LOGIN_PASSWORD_LEN];
    void* cbLoginResult; /* must be NULL: only synchronous logins exist */
    void* pUser;
    int32_t bUseAsynLogin; /* must be 0 */
    uint8_t byRes2[132];
} TSR_USER_LOGIN_INFO;
TSR_STATIC_ASSERT(sizeof(TSR_USER_LOGIN_INFO) == 416, "login record size");

typedef struct
{
    char sSerialNumber[TSR_SERIAL_LEN];
    char sDeviceName[TSR_NAME_LEN];
    uint32_t dwSoftwareVersion;
    uint16_t wDevType;
    uint8_t byChanNum;   /* channels the device serves itself (1) */
    uint8_t byStartChan; /* number of its first channel (1) */
    uint16_t wIPChanNum; /* enabled IP channels */
    uint8_t byRes[254];
} TSR_DEVICEINFO;
TSR_STATIC_ASSERT(sizeof(TSR_DEVICEINFO) == 344, "device information size");

/* ---- IP-channel configuration (command 1062) ------------------------------- */
typedef struct
{
    uint8_t byEnable; /* 1: entry in use */
    uint8_t byRes1[3];
    char sUserName[TSR_NAME_LEN];
    char sPassword[TSR_PASSWORD_LEN];
    char sDomain[64];
    char sIpV4[TSR_IPV4_LEN]; /* camera address, IPv4 text */
    char sIpV6[TSR_IPV6_LEN];
    uint16_t wPort; /* camera port */
    uint8_t byRes2[34];
} TSR_IPDEVINFO;
TSR_STATIC_ASSERT(sizeof(TSR_IPDEVINFO) == 296, "IP device entry size");

typedef struct
{
    uint8_t byEnable;
    uint8_t byIPID;    /* 1-based index into struIPDevInfo; 0 none */
    uint8_t byChannel; /* channel number on that camera */
    uint8_t byRes[21];
} TSR_IPCHANINFO;
TSR_STATIC_ASSERT(sizeof(TSR_IPCHANINFO) == 24, "IP channel entry size");

typedef struct
{
    uint32_t dwSize;
    uint32_t dwAnalogChanNum;
    uint32_t dwIPChanNum;
    uint8_t byAnalogChanEnable[72];
    TSR_IPDEVINFO struIPDevInfo[TSR_MAX_IP_DEVICES];
    TSR_IPCHANINFO struIPChanInfo[TSR_MAX_IP_DEVICES];
    uint8_t byRes[30228];
} TSR_IPPARACFG;
TSR_STATIC_ASSERT(sizeof(TSR_IPPARACFG) == 50792, "IP-channel configuration size");

/* ---- Alarms ------------------------------------------------------------------ */
/* The device that sent an alarm. */
typedef struct
{
    uint8_t byUserIDValid; /* lUserID names a login to this device */
    uint8_t bySerialValid;
    uint8_t byVersionValid;
    uint8_t byDeviceNameValid;
    uint8_t byMacAddrValid;
    uint8_t byLinkPortValid;
    uint8_t byDeviceIPValid;
    uint8_t bySocketIPValid;
    int32_t lUserID;
    char sSerialNumber[TSR_SERIAL_LEN];
    uint32_t dwDeviceVersion;
    char sDeviceName[TSR_NAME_LEN];
    uint8_t byMacAddr[6];
    uint16_t wLinkPort;   /* the device's own port (login port) */
    char sDeviceIP[128];  /* the device's IPv4 text */
    char sSocketIP[128];  /* the peer address of the connection, filled by the SDK */
    uint8_t byIpProtocol; /* 0 IPv4 */
    uint8_t byRes[11];
} TSR_ALARMER;
TSR_STATIC_ASSERT(sizeof(TSR_ALARMER) == 372, "alarmer size");

/* Where an alarm was seen: the camera channel of the device. */
typedef struct
{
    char sIpV4[TSR_IPV4_LEN]; /* camera address, IPv4 text */
    char sIpV6[TSR_IPV6_LEN];
    uint16_t wPort; /* the sending device's own port */
    uint8_t byLocalChannel;
    uint8_t byChannel; /* channel number */
} TSR_VCA_DEV_INFO;
TSR_STATIC_ASSERT(sizeof(TSR_VCA_DEV_INFO) == 148, "channel information size");

/* Traffic incident (command 0x1115). */
typedef struct
{
    uint32_t dwSize;
    uint32_t dwRelativeTime; /* milliseconds since the device started */
    uint32_t dwAbsTime;      /* packed device time */
    TSR_VCA_DEV_INFO struDevInfo;
    uint8_t byRuleID; /* detection rule that fired */
    uint8_t byRes1[3];
    char sRuleName[TSR_NAME_LEN];
    uint32_t dwIncidentType; /* incident type code (1 congestion ... 0x80000 fire) */
    int32_t nSpeed;          /* speed in the scene, km/h; 0 unknown */
    uint8_t byDirection;     /* 1 towards the camera, 2 away */
    uint8_t byRes2[167];
    uint32_t dwPicDataLen; /* length of pImage */
    uint8_t* pImage;       /* scene picture, JPEG */
    uint8_t byDataType;    /* 0 picture data in pImage */
    uint8_t byLaneNo;
    uint8_t byRes3[126];
} TSR_AID_ALARM;
TSR_STATIC_ASSERT(sizeof(TSR_AID_ALARM) == 512, "incident alarm size");

/* Traffic parameters of one lane over one measuring period. */
typedef struct
{
    uint8_t byRuleID;
    uint8_t byRes1;
    uint8_t byTrafficState; /* 0 invalid, 1 free, 2 crowded, 3 jammed */
    uint8_t byLaneNo;
    uint32_t dwPeriod; /* measuring period, seconds */
    uint32_t dwRes2;
    uint32_t dwLaneFlow;     /* vehicles in the period */
    uint32_t dwLaneSpeed;    /* km/h */
    uint32_t dwTimeHeadway;  /* seconds */
    uint32_t dwSpaceHeadway; /* metres */
    float fSpaceOccupancy;   /* percent */
    float fTimeOccupancy;    /* percent */
    uint32_t dwLightVehicle;
    uint32_t dwMidVehicle;
    uint32_t dwHeavyVehicle;
    uint8_t byRes3[16];
    uint32_t dwQueueLength; /* metres */
    uint8_t byRes4[104];
} TSR_LANE_PARAM;
TSR_STATIC_ASSERT(sizeof(TSR_LANE_PARAM) == 172, "lane entry size");

/* Traffic parameters (command 0x1114). */
typedef struct
{
    uint32_t dwSize;
    uint32_t dwRelativeTime;
    uint32_t dwAbsTime;
    TSR_VCA_DEV_INFO struDevInfo;
    int32_t nLaneNum; /* entries used in struLane, 0 to TSR_MAX_LANES */
    uint8_t byRes1[32];
    TSR_LANE_PARAM struLane[TSR_MAX_LANES];
    uint8_t byRes2[92];
    uint32_t dwStartTime; /* packed device time, start of the period */
    uint32_t dwStopTime;  /* packed device time, end of the period */
    uint8_t byRes3[28];
} TSR_TPS_ALARM;
TSR_STATIC_ASSERT(sizeof(TSR_TPS_ALARM) == 1700, "traffic-parameter alarm size");

/* One picture of a violation. */
typedef struct
{
    uint32_t dwDataLen; /* length of pBuffer; 0 for an unused entry */
    uint8_t byType;     /* 0 scene, 1 plate close-up */
    uint8_t byRes1[3];
    uint32_t dwRedLightTime;
    char sAbsTime[32];                        /* capture time "yyyyMMddHHmmsszzz" */
    float fPlateX, fPlateY, fPlateW, fPlateH; /* plate rectangle, 0..1 of the picture */
    uint8_t byRes2[16];
    uint8_t* pBuffer; /* JPEG bytes */
    uint8_t byRes3[16];
} TSR_PIC_INFO;
TSR_STATIC_ASSERT(sizeof(TSR_PIC_INFO) == 104, "picture entry size");

/* Violation forensics (command 0x1113). */
typedef struct
{
    uint32_t dwSize;
    uint32_t dwRelativeTime;
    uint32_t dwAbsTime;         /* packed device time */
    uint32_t dwIllegalType;     /* violation code (1018, 1039, ...) */
    uint32_t dwIllegalDuration; /* seconds */
    uint8_t byRes1[100];
    TSR_VCA_DEV_INFO struDevInfo;
    uint8_t byRes2[280];
    uint8_t byPlateColor;
    uint8_t byVehicleType;
    uint8_t byRes3[2];
    char sLicense[TSR_PLATE_LEN]; /* plate, GBK text */
    uint8_t byRes4[60];
    uint32_t dwPicNum; /* entries used in struPicInfo, 0 to TSR_MAX_PICTURES */
    TSR_PIC_INFO struPicInfo[TSR_MAX_PICTURES];
    uint8_t byRes5[4];
    uint8_t byLaneNo;
    uint8_t byRes6[127];
} TSR_TFS_ALARM;
TSR_STATIC_ASSERT(sizeof(TSR_TFS_ALARM) == 1600, "violation alarm size");

/* ---- Real play ------------------------------------------------------------------ */
typedef struct
{
    int32_t lChannel;      /* channel of the login's device, 1-based; 0 the first */
    uint32_t dwStreamType; /* 0 main, 1 sub stream */
    uint32_t dwLinkMode;   /* 0 TCP, the only mode */
    uint32_t dwRes1;
    TSR_HWND hPlayWnd; /* window to draw into, 0 for data only */
    int32_t bBlocked;  /* kept for callers; every start waits for the stream */
    uint8_t byRes[252];
} TSR_PREVIEWINFO;
TSR_STATIC_ASSERT(sizeof(TSR_PREVIEWINFO) == 280, "preview record size");

/* The first block of every stream (type TSR_DATA_STREAM_HEADER) is one MPEG-TS
 * null packet (PID 0x1FFF): demuxers skip it, so recording files that hold it
 * still play. Its payload starts with "TSRH", version 1, system format 2
 * (MPEG-TS), video codec 1 (H.264), then width, height and frames per second
 * as 16-bit little-endian values. */
#define TSR_STREAM_HEADER_SIZE 188

/* ---- Download by time -------------------------------------------------------- */
typedef struct
{
    uint32_t dwYear, dwMonth, dwDay, dwHour, dwMinute, dwSecond; /* local time */
} TSR_TIME;
TSR_STATIC_ASSERT(sizeof(TSR_TIME) == 24, "time size");

typedef struct
{
    uint32_t dwChannel;
    TSR_TIME struStartTime;
    TSR_TIME struStopTime;
    uint8_t byDrawFrame;
    uint8_t byStreamType;
    uint8_t byRes[62];
} TSR_PLAYCOND;
TSR_STATIC_ASSERT(sizeof(TSR_PLAYCOND) == 116, "play-condition size");

/* ---- Callbacks -------------------------------------------------------------- */
/* Alarm pushed to a listener: lCommand is TSR_ALARM_*, pAlarmInfo the body record
 * of that command, dwBufLen its size. Runs on the listener's dispatch thread.
 * Picture pointers in the body point into the same short-lived buffer. Return 1
 * once the alarm is stored (or deliberately not kept); return 0 when it could not
 * be stored: the SDK then neither acknowledges it nor counts it delivered, and the
 * device sends it again after its connection was closed (see
 * TSR_GetDeliveredAlarm for the alarm's identity). Return TSR_ALARM_HELD when the
 * alarm is taken but stored only with the rest of its round (see
 * TSR_SetAlarmRoundCallBack). */
typedef TSR_BOOL (*TSR_MSGCALLBACK)(int32_t lCommand, const TSR_ALARMER* pAlarmer, const char* pAlarmInfo,
                                    uint32_t dwBufLen, void* pUser);
/* Result of an alarm callback: taken, to be stored at the end of its round. */
#define TSR_ALARM_HELD 2
/* End of a listener's dispatch round in which dwHeld alarms (at least 1) were
 * answered TSR_ALARM_HELD. Runs on the listener's round thread, one round at a
 * time in order, after the round's last alarm callback and before any alarm of
 * the round is acknowledged; the dispatch thread meanwhile already runs the
 * alarm callbacks of the next round, whose held alarms the application keeps
 * apart: a round ends the first dwHeld alarms held since the round before it.
 * Return 1 once every held alarm of the round is stored, 0 when none of them
 * is (a round is stored whole or not at all): the held alarms are then treated
 * as refused, like a callback that returned 0, and so is every later alarm of
 * the round from the same devices. */
typedef TSR_BOOL (*TSR_ALARMROUNDCALLBACK)(uint32_t dwHeld, void* pUser);
/* Set in dwHeld when the round must not be stored: a round before it was not
 * stored while this one's alarms were already being delivered, so they stand
 * behind alarms their devices send again. The application removes the round's
 * held alarms (dwHeld without this bit) and returns 0; the round is refused,
 * whatever it returns, and its alarms are delivered again. */
#define TSR_ALARM_ROUND_DROPPED 0x80000000u
/* Device dropped or restored: dwType TSR_EXCEPTION_*, lUserID the login, lHandle -1.
 * Runs on the SDK's event thread. */
typedef void (*TSR_EXCEPTIONCALLBACK)(uint32_t dwType, int32_t lUserID, int32_t lHandle, void* pUser);
/* One block of a real play: dwDataType TSR_DATA_STREAM_HEADER (always first, also
 * for a callback set after the start, and again after the stream was restored)
 * or TSR_DATA_STREAM. Runs on the handle's receive thread. */
typedef void (*TSR_REALDATACALLBACK)(int32_t lRealHandle, uint32_t dwDataType, const uint8_t* pBuffer,
                                     uint32_t dwBufSize, void* pUser);

/* One line of the SDK's log: dwLevel TSR_LOG_*, sText without a line end. Runs on
 * whichever SDK thread logs; must not call back into the SDK. */
#define TSR_LOG_TRACE 0
#define TSR_LOG_DEBUG 1
#define TSR_LOG_INFO 2
#define TSR_LOG_WARN 3
#define TSR_LOG_ERROR 4
#define TSR_LOG_CRITICAL 5
typedef void (*TSR_LOGCALLBACK)(uint32_t dwLevel, const char* sText, void* pUser);

/* Identity of a pushed alarm: the device that proved itself ("address:port"), the
 * device's alarm run and the alarm's number in that run (from 1). An application
 * that stores (run, number) with the alarm in one transaction can tell an alarm
 * sent again from a new one even when the SDK's ledger is behind its store. */
typedef struct
{
    char sDevice[48];
    uint64_t qwRunId;
    uint32_t dwNumber;
    uint8_t byRes[4];
} TSR_ALARM_IDENTITY;
TSR_STATIC_ASSERT(sizeof(TSR_ALARM_IDENTITY) == 64, "alarm-identity size");

/* ---- Functions ------------------------------------------------------------------ */
TSR_API TSR_BOOL TSR_Init(void);
/* Stops every listener, play, download and login, waits for their callbacks and
 * threads, and returns; later calls fail with TSR_ERR_NOT_INITIALISED. */
TSR_API TSR_BOOL TSR_Cleanup(void);

TSR_API uint32_t TSR_GetLastError(void);
/* Text of the calling thread's last error; also its code when pErrorNo is given. */
TSR_API const char* TSR_GetErrorMsg(int32_t* pErrorNo);

/* Connect and reply time limits and the heartbeat interval, in milliseconds;
 * 0 keeps a value. Defaults 3000, 5000 and 2000. */
TSR_API TSR_BOOL TSR_SetNetworkTimes(uint32_t dwConnectMs, uint32_t dwReplyMs, uint32_t dwHeartbeatMs);

/* Synchronous login; the result is the login ID, -1 on failure. lpDeviceInfo may be
 * NULL. The SDK keeps the login alive with heartbeats and logs in again by itself
 * after the device dropped (see the exception callback). */
TSR_API int32_t TSR_Login(const TSR_USER_LOGIN_INFO* pLoginInfo, TSR_DEVICEINFO* lpDeviceInfo);
TSR_API TSR_BOOL TSR_Logout(int32_t lUserID);

/* dwCommand TSR_GET_IPPARACFG with lChannel 0 fills a TSR_IPPARACFG. */
TSR_API TSR_BOOL TSR_GetDeviceConfig(int32_t lUserID, uint32_t dwCommand, int32_t lChannel, void* lpOutBuffer,
                                     uint32_t dwOutBufferSize, uint32_t* lpBytesReturned);

/* Opens a TCP listener for alarms pushed by devices. sLocalIP NULL or "" listens on
 * every address. fMessageCallBack NULL sends the alarms to the callback of
 * TSR_SetMessageCallBack instead. Result: listener handle, -1 on failure.
 * Only devices with a login of this SDK may send, each under its own address;
 * an alarm is acknowledged to its device when the callback has returned 1 (a 0
 * leaves it unacknowledged, to be sent again), and an alarm the device sends
 * again is not delivered twice. */
/* Limits of listeners started afterwards; 0 keeps a value. Connections above
 * dwMaxConnections are refused (default 300); a frame, and a device's proof on a
 * new connection, must arrive within dwFrameTimeoutMs (default 10000); the alarm
 * bytes all listeners hold together stay under dwMaxBufferedBytes (default 64 MiB):
 * above it connections are not read until the callback has taken alarms. */
TSR_API TSR_BOOL TSR_SetListenLimits(uint32_t dwMaxConnections, uint32_t dwFrameTimeoutMs, uint32_t dwMaxBufferedBytes);
/* File in which listeners started afterwards keep the last alarm number they
 * delivered per device, so a restarted application does not get an alarm again
 * that its previous run delivered but could not acknowledge; created when
 * missing. NULL or "" keeps the numbers in memory only (the default). */
TSR_API TSR_BOOL TSR_SetAlarmLedger(const char* sPath);
/* Round-end callback of listeners started afterwards; NULL (the default) makes
 * them take no held alarms (TSR_ALARM_HELD then counts as 0). A listener's
 * dispatch thread takes the alarms that queued up together, up to 256 (4 MiB),
 * as one round: their callbacks, then (on the round thread, while the next
 * round's callbacks run) this callback, one ledger sync and their
 * acknowledgements. An application that stores a round in one transaction pays
 * one commit per round instead of one per alarm. A round cut short by
 * TSR_StopListen still ends with this callback (its alarms stay unacknowledged
 * whatever it returns), unless the stop came from a callback of that listener. */
TSR_API TSR_BOOL TSR_SetAlarmRoundCallBack(TSR_ALARMROUNDCALLBACK fRoundCallBack, void* pUser);
/* Sends the SDK's log lines to fLogCallBack (NULL: back to standard error), at
 * info level and above unless TSR_LOG_LEVEL says otherwise. Allowed before
 * TSR_Init and after TSR_Cleanup. */
TSR_API TSR_BOOL TSR_SetLogCallBack(TSR_LOGCALLBACK fLogCallBack, void* pUser);

TSR_API int32_t TSR_StartListen(const char* sLocalIP, uint16_t wLocalPort, TSR_MSGCALLBACK fMessageCallBack,
                                void* pUser);
TSR_API TSR_BOOL TSR_StopListen(int32_t lListenHandle);
/* Inside an alarm callback, on the thread that runs it: fills pIdentity with the
 * identity of the alarm being delivered. 0 (TSR_ERR_INVALID_ARGUMENT) when
 * pIdentity is NULL or the calling thread is delivering no alarm. */
TSR_API TSR_BOOL TSR_GetDeliveredAlarm(TSR_ALARM_IDENTITY* pIdentity);
TSR_API TSR_BOOL TSR_SetMessageCallBack(TSR_MSGCALLBACK fMessageCallBack, void* pUser);
/* nMessage and hWnd are unused (pass 0 and NULL). */
TSR_API TSR_BOOL TSR_SetExceptionCallBack(uint32_t nMessage, void* hWnd, TSR_EXCEPTIONCALLBACK fExceptionCallBack,
                                          void* pUser);

/* Starts live video of a channel on its own connection and returns once the device
 * has accepted it: the real-play handle, -1 on failure. With hPlayWnd set (the
 * WId of a QWidget of this process) the video is also drawn into that window by
 * the player layer, which never blocks on the GUI thread; a window it cannot
 * draw into fails the start with TSR_ERR_NO_PLAYER. Data goes to the data
 * callback (fRealDataCallBack here or TSR_SetRealDataCallBack later). If the
 * device drops, the play resumes by itself after it is restored, with a new
 * stream header block. */
TSR_API int32_t TSR_RealPlay(int32_t lUserID, const TSR_PREVIEWINFO* lpPreviewInfo,
                             TSR_REALDATACALLBACK fRealDataCallBack, void* pUser);
/* Replaces the data callback; the new one receives the stream header first. */
TSR_API TSR_BOOL TSR_SetRealDataCallBack(int32_t lRealHandle, TSR_REALDATACALLBACK fRealDataCallBack, void* pUser);
TSR_API TSR_BOOL TSR_StopRealPlay(int32_t lRealHandle);

/* Asks the device for its recording of a channel between two local times, to be
 * written into sSavedFileName (UTF-8 path, created or truncated). Result: download
 * handle, -1 on failure (TSR_ERR_NO_VIDEO when nothing is recorded in the range).
 * The transfer begins with TSR_PlayBackControl(handle, TSR_PLAYSTART, ...). */
TSR_API int32_t TSR_GetFileByTime(int32_t lUserID, const char* sSavedFileName, const TSR_PLAYCOND* pDownloadCond);
TSR_API TSR_BOOL TSR_PlayBackControl(int32_t lPlayHandle, uint32_t dwControlCode, const void* lpInBuffer,
                                     uint32_t dwInLen, void* lpOutBuffer, uint32_t* lpOutLen);
/* Progress 0 to 100 (100: the whole file is written); 200 when the transfer failed,
 * with the reason in the last error; -1 for an unknown handle. */
TSR_API int32_t TSR_GetDownloadPos(int32_t lFileHandle);
TSR_API TSR_BOOL TSR_StopGetFile(int32_t lFileHandle);

#ifdef __cplusplus
}
#endif

#endif /* TESSORAN_H */
