// The exported functions: library start and end, session handles, and the
// per-session calls forwarded to CRtspClientSession.
#include "api/Pellmar.h"

#include <string>

#include "common/CConfig.h"
#include "api/CRtspClientSessionMgr.h"
#include "auth/Authorization.h"
#include "rtp/CPortPool.h"
#include "rtp/CRtpTransSessionMgr.h"
#include "rtsp/CRtspClientSession.h"
#include "rtsp/CTraceLibrary.h"
#include "common/PellmarLog.h"
#include "common/singleton.h"

namespace {
constexpr unsigned int kAllocLog = 0x02230804;
constexpr unsigned int kManagerLog = 0x02230805;
constexpr unsigned int kRtpManagerLog = 0x02230806;

// Called from one thread, as the interface asks of InitLib and FiniLib.
int g_initCount = 0;
pfnLogCB g_logCallback = nullptr;
std::string g_localIp = "127.0.0.1";

bool RangeFits(uint16_t start, uint16_t count)
{
    return static_cast<uint32_t>(start) + count <= 65535;
}

SessionRef Lookup(int handle, const char* exportName, const char* requirement = "", bool missingArgument = false)
{
    SessionRef session;
    if (g_initCount > 0 && !missingArgument)
        session = singleton<CRtspClientSessionMgr>::instance()->GetHandle(handle);
    if (!session)
        PELLMAR_LOG_ERROR(pellmar_log::kBadArgument, "%s Fail, pHandle not exist%s", exportName, requirement);
    return session;
}

// The session's last error, or -1 when it stored none.
int Failure(const SessionRef& session)
{
    const uint32_t error = session->LastError();
    return error == 0 ? -1 : static_cast<int>(error);
}

int Result(const SessionRef& session, int result)
{
    return result == 0 ? 0 : Failure(session);
}

// The callbacks and options both stream records share.
template <typename Param>
CRtspClientSession::StreamSetup SetupOf(const Param& param)
{
    CRtspClientSession::StreamSetup setup;
    setup.msgCB = param.pfnMsgCB;
    setup.dataCB = param.pfnDataCB;
    setup.user = param.pUser;
    setup.rtpPack = param.bRtpPack;
    setup.destAddress = param.pszDestAddr;
    setup.destPort = param.usDestPort;
    return setup;
}

// How far Pellmar_InitLib got; undoing runs in reverse order.
enum InitStage { kPortPoolStarted = 1, kRtpManagerStarted = 2, kSessionManagerStarted = 3 };

void UndoInit(InitStage stage)
{
    if (stage >= kSessionManagerStarted)
        singleton<CRtspClientSessionMgr>::destroy();
    if (stage >= kRtpManagerStarted)
        CRtpTransSessionMgr::Instance().Fini();
    singleton<CPortPool>::destroy();
    UnloadTraceLibrary();
    ZMR_FiniEx();
}
} // namespace

extern "C" {

PELLMAR_API void Pellmar_SetLogCB(pfnLogCB pfnLog)
{
    if (g_logCallback == nullptr)
        g_logCallback = pfnLog;
}

PELLMAR_API void Pellmar_SetLocalIP(const char* pszLocalIp)
{
    g_localIp = pszLocalIp ? pszLocalIp : "";
    PELLMAR_LOG_INFO("Pellmar_SetLocalIP, LocalIP<%s>", g_localIp.c_str());
}

PELLMAR_API int Pellmar_InitLib(const PORT_POOL_T* pstPortPool)
{
    if (g_initCount > 0) {
        ++g_initCount;
        return 0;
    }
    if (ZMR_InitEx() != 0) {
        PELLMAR_LOG_ERROR(pellmar_log::kExport, "Pellmar_InitLib, ZMR_InitEx Fail");
        return -1;
    }
    // Without the optional trace library the library works the same.
    if (LoadTraceLibrary(g_localIp.empty() ? "127.0.0.1" : g_localIp.c_str()) != 0)
        PELLMAR_LOG_ERROR(pellmar_log::kTrace, "Pellmar_InitLib, KvorLogTraceEnable Fail");
    if (pstPortPool) {
        const char* refused =
            !RangeFits(pstPortPool->usTcpStartPort, pstPortPool->usTcpPortCount)   ? "PORT_POOL_T tcp port range Fail"
            : !RangeFits(pstPortPool->usUdpStartPort, pstPortPool->usUdpPortCount) ? "PORT_POOL_T udp port range Fail"
                                                                                   : nullptr;
        if (refused) {
            PELLMAR_LOG_ERROR(pellmar_log::kBadArgument, "%s", refused);
            UndoInit(kPortPoolStarted);
            return -1;
        }
        CPortPool* pool = singleton<CPortPool>::instance();
        if (pool == nullptr || pool->Init(pstPortPool->usTcpStartPort, pstPortPool->usTcpPortCount,
                                          pstPortPool->usUdpStartPort, pstPortPool->usUdpPortCount) != 0) {
            PELLMAR_LOG_ERROR(pellmar_log::kBadArgument, "PORT_POOL_T port range Fail");
            UndoInit(kPortPoolStarted);
            return -1;
        }
    }
    if (CRtpTransSessionMgr::Instance().Init() != 0) {
        PELLMAR_LOG_ERROR(kRtpManagerLog, "Pellmar_InitLib, CRtpTransSessionMgr Init Fail");
        UndoInit(kPortPoolStarted);
        return -1;
    }
    CRtspClientSessionMgr* manager = singleton<CRtspClientSessionMgr>::instance();
    if (manager == nullptr || manager->Init() != 0) {
        PELLMAR_LOG_ERROR(kManagerLog, "Pellmar_InitLib, CRtspClientSessionMgr Init Fail");
        UndoInit(kSessionManagerStarted);
        return -1;
    }
    if (RSA_PublicKey_Init() != 0) {
        PELLMAR_LOG_ERROR(pellmar_log::kRsaKey, "Pellmar_InitLib, RSA_PublicKey_Init Fail");
        UndoInit(kSessionManagerStarted);
        return -1;
    }
    g_initCount = 1;
    return 0;
}

PELLMAR_API void Pellmar_FiniLib(void)
{
    if (g_initCount == 1) {
        UndoInit(kSessionManagerStarted);
        RSA_PublicKey_Free();
    }
    if (g_initCount > 0)
        --g_initCount;
}

PELLMAR_API int Pellmar_SetDescribeTimeout(unsigned int uiMilliseconds)
{
    return CConfig::Instance().SetDescribeTimeoutMs(uiMilliseconds) ? 0 : -1;
}

PELLMAR_API int Pellmar_SetMediaSilenceTimeout(unsigned int uiMilliseconds)
{
    return CConfig::Instance().SetMediaSilenceMs(uiMilliseconds) ? 0 : -1;
}

PELLMAR_API int Pellmar_CreateSession(void)
{
    if (g_initCount <= 0) {
        PELLMAR_LOG_ERROR(pellmar_log::kExport, "Pellmar_CreateSession Fail, library not initialised");
        return 0;
    }
    CRtspClientSession* object = new (std::nothrow) CRtspClientSession();
    if (object == nullptr) {
        PELLMAR_LOG_ALLOC(kAllocLog, "Pellmar_CreateSession Fail");
        return 0;
    }
    SessionRef session(object);
    CRtspClientSessionMgr* manager = singleton<CRtspClientSessionMgr>::instance();
    manager->AddSession(object);
    const int handle = manager->AddHandle(session);
    if (handle == 0)
        manager->RemoveSession(object);
    return handle;
}

PELLMAR_API void Pellmar_DestroySession(int hSession)
{
    if (g_initCount <= 0)
        return;
    CRtspClientSessionMgr* manager = singleton<CRtspClientSessionMgr>::instance();
    SessionRef session = manager->RemoveHandle(hSession);
    if (!session) {
        PELLMAR_LOG_ERROR(pellmar_log::kBadArgument, "pHandle has Destroy");
        return;
    }
    session->StopStream();
    manager->RemoveSession(session.get());
}

PELLMAR_API int Pellmar_StartStream(int hSession, const STREAM_PARAM_T* pstStreamParam)
{
    SessionRef session = Lookup(hSession, "Pellmar_StartStream", " || pstStreamParam == NULL", !pstStreamParam);
    if (!session)
        return -1;
    const STREAM_PARAM_T& param = *pstStreamParam;
    CRtspClientSession::StreamSetup setup = SetupOf(param);
    setup.ownQueue = param.bOwnQueue;
    setup.noTraceUrl = param.bNoTraceUrl;
    setup.playBack = &param.stPlayBack;
    return Result(session, session->StartStream(param.pszUrl, param.pszUserName, param.pszPassword, param.pszUserAgent,
                                                param.iTransCode, setup));
}

PELLMAR_API int Pellmar_StartStreamEx(int hSession, const STREAM_PARAM_EX_T* pstStreamParam)
{
    SessionRef session = Lookup(hSession, "Pellmar_StartStreamEx", " || pstStreamParam == NULL", !pstStreamParam);
    if (!session)
        return -1;
    const STREAM_PARAM_EX_T& param = *pstStreamParam;
    CRtspClientSession::StreamSetup setup = SetupOf(param);
    setup.playBack = &param.stPlayBack;
    return Result(session, session->StartStreamEx(param.pszUrl, param.pszUserName, param.pszPassword,
                                                  param.pszUserAgent, param.pszSessionId, param.iTransCode, setup));
}

PELLMAR_API int Pellmar_ResumeStream(int hSession, const RESUME_PARAM_T* pstResumeParam)
{
    SessionRef session = Lookup(hSession, "Pellmar_ResumeStream", " || pstResumeParam == NULL", !pstResumeParam);
    if (!session)
        return -1;
    return session->ResumeStream(pstResumeParam->pszUrl, pstResumeParam->pszSessionId, pstResumeParam->pfnMsgCB,
                                 pstResumeParam->pUser);
}

PELLMAR_API int Pellmar_StopStream(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_StopStream");
    return session ? session->StopStream() : -1;
}

PELLMAR_API int Pellmar_StopMulticast(int hSession)
{
    return Pellmar_StopStream(hSession);
}

PELLMAR_API int Pellmar_StopStreamEx(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_StopStreamEx");
    return session ? session->StopStreamEx() : -1;
}

PELLMAR_API int Pellmar_StartMulticast(int hSession, const STREAM_PARAM_T* pstStreamParam, int iMulticastPort)
{
    SessionRef session = Lookup(hSession, "Pellmar_StartMulticast", " || pstStreamParam == NULL", !pstStreamParam);
    if (!session)
        return -1;
    return session->StartMultiCast(pstStreamParam->pszUrl, pstStreamParam->pszUserName, pstStreamParam->pszPassword,
                                   pstStreamParam->pszUserAgent, pstStreamParam->iTransCode, iMulticastPort,
                                   SetupOf(*pstStreamParam));
}

PELLMAR_API int Pellmar_ProbeByDescribe(int hSession, const char* pszUrl, const char* pszUserName,
                                        const char* pszPassword, const char* pszUserAgent, int iTransMethod)
{
    SessionRef session = Lookup(hSession, "Pellmar_ProbeByDescribe", " || pszUrl == NULL", !pszUrl);
    if (!session)
        return -1;
    return Result(session, session->ProbeByDescribe(pszUrl, pszUserName, pszPassword, pszUserAgent, iTransMethod));
}

PELLMAR_API int Pellmar_QueryRedirectUrl(int hSession, const char* pszUrl, const char** ppszRedirectUrl)
{
    SessionRef session = Lookup(hSession, "Pellmar_QueryRedirectUrl");
    return session ? session->QueryRedirectUrl(pszUrl, ppszRedirectUrl) : -1;
}

PELLMAR_API int Pellmar_Pause(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_Pause");
    return session ? Result(session, session->Pause()) : -1;
}

PELLMAR_API int Pellmar_Resume(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_Resume");
    return session ? Result(session, session->Resume()) : -1;
}

PELLMAR_API int Pellmar_SetScale(int hSession, double dScale)
{
    SessionRef session = Lookup(hSession, "Pellmar_SetScale");
    return session ? Result(session, session->SetScale(dScale)) : -1;
}

PELLMAR_API int Pellmar_SeekByRelTime(int hSession, int iFrom, int iTo)
{
    SessionRef session = Lookup(hSession, "Pellmar_SeekByRelTime");
    return session ? Result(session, session->SeekByRelTime(iFrom, iTo)) : -1;
}

PELLMAR_API int Pellmar_SeekByAbsTime(int hSession, const ABS_TIME_T* pstFrom, const ABS_TIME_T* pstTo)
{
    SessionRef session = Lookup(hSession, "Pellmar_SeekByAbsTime", " || pstFrom == NULL", !pstFrom);
    return session ? Result(session, session->SeekByAbsTime(pstFrom, pstTo)) : -1;
}

PELLMAR_API int Pellmar_SeekByAbsTimeEx(int hSession, const char* pszFrom, const char* pszTo)
{
    SessionRef session = Lookup(hSession, "Pellmar_SeekByAbsTimeEx", " || pszFrom == NULL", !pszFrom);
    return session ? Result(session, session->SeekByAbsTimeEx(pszFrom, pszTo)) : -1;
}

PELLMAR_API int Pellmar_StreamControl(int hSession, const STREAM_CONTROL_T* pstControl)
{
    SessionRef session = Lookup(hSession, "Pellmar_StreamControl");
    if (!session)
        return -1;
    const int result = session->StreamControl(pstControl);
    return result == -1 ? Failure(session) : result;
}

PELLMAR_API int Pellmar_PTZControl(int hSession, const PTZ_CTRL_T* pstPtz)
{
    SessionRef session = Lookup(hSession, "Pellmar_PTZControl", " || pstPtzCtrl == NULL", !pstPtz);
    if (!session)
        return -1;
    return session->PtzControl(pstPtz->iCommand, pstPtz->iParam1, pstPtz->iParam2, pstPtz->iParam3, pstPtz->iParam4);
}

PELLMAR_API int Pellmar_GetVideoParam(int hSession, VIDEO_PARAM_T* pstVideoParam)
{
    SessionRef session = Lookup(hSession, "Pellmar_GetVideoParam", " || pstVideoParam == NULL", !pstVideoParam);
    if (!session)
        return -1;
    return session->GetVideoParam(pstVideoParam->iBrightness, pstVideoParam->iContrast, pstVideoParam->iSaturation,
                                  pstVideoParam->iHue) == 0
               ? 0
               : -1;
}

PELLMAR_API int Pellmar_SetVideoParam(int hSession, const VIDEO_PARAM_T* pstVideoParam)
{
    SessionRef session = Lookup(hSession, "Pellmar_SetVideoParam", " || pstVideoParam == NULL", !pstVideoParam);
    if (!session)
        return -1;
    return session->SetVideoParam(pstVideoParam->iBrightness, pstVideoParam->iContrast, pstVideoParam->iSaturation,
                                  pstVideoParam->iHue);
}

PELLMAR_API int Pellmar_ForceIFrame(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_ForceIFrame");
    return session ? session->ForceIFrame() : -1;
}

PELLMAR_API int Pellmar_SendData(int hSession, int iMediaIndex, const STREAM_DATA_T* pstData)
{
    SessionRef session = Lookup(hSession, "Pellmar_SendData", " || pstData == NULL", !pstData);
    return session ? session->SendData(iMediaIndex, pstData) : -1;
}

PELLMAR_API int Pellmar_SendDataEx(int hSession, int iMediaIndex, int iKind, const STREAM_DATA_T* pstData)
{
    SessionRef session = Lookup(hSession, "Pellmar_SendDataEx", " || pstData == NULL", !pstData);
    return session ? session->SendDataEx(iKind, iMediaIndex, pstData) : -1;
}

PELLMAR_API int Pellmar_SetContext(int hSession, const Session_Context_T* pstContext)
{
    SessionRef session = Lookup(hSession, "Pellmar_SetContext", " || pstContext == NULL", !pstContext);
    return session ? session->SetContext(pstContext) : -1;
}

PELLMAR_API int Pellmar_SetContextEx(int hSession, const char* pszName, const void* pValue, int iLength)
{
    SessionRef session = Lookup(hSession, "Pellmar_SetContextEx");
    return session ? session->SetContextEx(pszName, pValue, iLength) : -1;
}

PELLMAR_API int Pellmar_GetContext(int hSession, const char* pszName, void* pBuffer, int iBufferSize, int* piLength)
{
    SessionRef session =
        Lookup(hSession, "Pellmar_GetContext", " || pszName == NULL || piLength == NULL", !pszName || !piLength);
    return session ? session->GetContext(pszName, pBuffer, iBufferSize, piLength) : -1;
}

PELLMAR_API int Pellmar_PrepareSessionInfo(int hSession, const char* pszUri, char* pBuffer, int iBufferSize,
                                           int* piLength)
{
    SessionRef session = Lookup(hSession, "Pellmar_PrepareSessionInfo");
    return session ? session->PrepareSessionInfo(pszUri, pBuffer, iBufferSize, piLength) : -1;
}

PELLMAR_API int Pellmar_Interrupt(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_Interrupt");
    if (!session)
        return -1;
    session->Interrupt();
    return 0;
}

PELLMAR_API int Pellmar_BindLocalIP(int hSession, const char* pszLocalIp)
{
    SessionRef session = Lookup(hSession, "Pellmar_BindLocalIP");
    if (!session)
        return -1;
    session->BindLocalIP(pszLocalIp);
    return 0;
}

PELLMAR_API int Pellmar_EnableBackChannel(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_EnableBackChannel");
    if (!session)
        return -1;
    session->EnableBackChannel();
    return 0;
}

PELLMAR_API int Pellmar_GetBackChannelIndex(int hSession)
{
    SessionRef session = Lookup(hSession, "Pellmar_GetBackChannelIndex");
    return session ? session->BackChannelIndex() : -1;
}

} // extern "C"
