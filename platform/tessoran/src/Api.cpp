// The C entry points: argument checks, the "initialised" gate and error codes.
// The work is done by the session, listener, play and download objects.

#include "tessoran.h"

#include "ByteIo.h"
#include "Download.h"
#include "LastError.h"
#include "Listener.h"
#include "Log.h"
#include "LoginSession.h"
#include "RealPlay.h"
#include "Sdk.h"
#include "WindowPlayer.h"
#include "WireRecords.h"

#include <arpa/inet.h>

#include <cstring>
#include <new>
#include <system_error>

using namespace tessoran;

namespace {

bool isTerminated(const char* field, size_t size)
{
    return std::memchr(field, 0, size) != nullptr;
}

bool isIpv4(const char* text)
{
    in_addr addr;
    return inet_pton(AF_INET, text, &addr) == 1;
}

// Runs an entry point with the current SDK; out of memory or threads becomes
// TSR_ERR_RESOURCES instead of an exception crossing the C boundary.
template <class Result, class Body>
Result withSdk(Result failure, Body body)
{
    std::shared_ptr<Sdk> sdk = Sdk::current();
    if (!sdk)
        return static_cast<Result>(fail(TSR_ERR_NOT_INITIALISED, static_cast<int32_t>(failure)));
    try {
        return body(*sdk);
    } catch (const std::bad_alloc&) {
    } catch (const std::system_error&) {
    } catch (const std::runtime_error&) {
    }
    return static_cast<Result>(fail(TSR_ERR_RESOURCES, static_cast<int32_t>(failure)));
}

} // namespace

extern "C" {

TSR_BOOL TSR_Init(void)
{
    try {
        return Sdk::init();
    } catch (...) {
        return fail(TSR_ERR_RESOURCES);
    }
}

TSR_BOOL TSR_Cleanup(void)
{
    Sdk::cleanup();
    return 1;
}

uint32_t TSR_GetLastError(void)
{
    return lastError();
}

const char* TSR_GetErrorMsg(int32_t* pErrorNo)
{
    if (pErrorNo)
        *pErrorNo = static_cast<int32_t>(lastError());
    return errorText(lastError());
}

TSR_BOOL TSR_SetNetworkTimes(uint32_t dwConnectMs, uint32_t dwReplyMs, uint32_t dwHeartbeatMs)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk&) -> TSR_BOOL {
        constexpr uint32_t kMax = 600000;
        if (dwConnectMs > kMax || dwReplyMs > kMax || dwHeartbeatMs > kMax)
            return fail(TSR_ERR_INVALID_ARGUMENT);
        if (dwConnectMs)
            NetworkTimes::connectMs = static_cast<int>(dwConnectMs);
        if (dwReplyMs)
            NetworkTimes::replyMs = static_cast<int>(dwReplyMs);
        if (dwHeartbeatMs)
            NetworkTimes::heartbeatMs = static_cast<int>(dwHeartbeatMs);
        return 1;
    });
}

TSR_BOOL TSR_SetListenLimits(uint32_t dwMaxConnections, uint32_t dwFrameTimeoutMs, uint32_t dwMaxBufferedBytes)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk&) -> TSR_BOOL {
        if (dwFrameTimeoutMs > 600000)
            return fail(TSR_ERR_INVALID_ARGUMENT);
        if (dwMaxConnections)
            ListenLimits::maxConnections = dwMaxConnections;
        if (dwFrameTimeoutMs)
            ListenLimits::frameTimeoutMs = dwFrameTimeoutMs;
        if (dwMaxBufferedBytes)
            ListenLimits::maxBufferedBytes = dwMaxBufferedBytes;
        return 1;
    });
}

TSR_BOOL TSR_SetAlarmLedger(const char* sPath)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk&) -> TSR_BOOL {
        ListenLimits::setLedgerPath(sPath ? sPath : "");
        return 1;
    });
}

TSR_BOOL TSR_SetAlarmRoundCallBack(TSR_ALARMROUNDCALLBACK fRoundCallBack, void* pUser)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        sdk.setRoundCallback(fRoundCallBack, pUser);
        return 1;
    });
}

TSR_BOOL TSR_SetLogCallBack(TSR_LOGCALLBACK fLogCallBack, void* pUser)
{
    setLogCallback(fLogCallBack, pUser);
    return 1;
}

int32_t TSR_Login(const TSR_USER_LOGIN_INFO* pLoginInfo, TSR_DEVICEINFO* lpDeviceInfo)
{
    return withSdk<int32_t>(-1, [&](Sdk& sdk) -> int32_t {
        if (!pLoginInfo)
            return fail(TSR_ERR_INVALID_ARGUMENT, -1);
        if (pLoginInfo->bUseAsynLogin || pLoginInfo->cbLoginResult)
            return fail(TSR_ERR_UNSUPPORTED, -1);
        if (!isTerminated(pLoginInfo->sDeviceAddress, sizeof pLoginInfo->sDeviceAddress) ||
            !isTerminated(pLoginInfo->sUserName, sizeof pLoginInfo->sUserName) ||
            !isTerminated(pLoginInfo->sPassword, sizeof pLoginInfo->sPassword) || !isIpv4(pLoginInfo->sDeviceAddress) ||
            pLoginInfo->wPort == 0)
            return fail(TSR_ERR_INVALID_ARGUMENT, -1);

        Credentials credentials{pLoginInfo->sDeviceAddress, pLoginInfo->wPort, pLoginInfo->sUserName,
                                pLoginInfo->sPassword};
        wire::Socket socket;
        wire::Token token;
        TSR_DEVICEINFO info{};
        if (uint32_t error = authenticate(credentials, {sdk.stopFd()}, socket, token, info)) {
            sdkLog().info("login to {}:{} failed: {}", credentials.address, credentials.port, errorText(error));
            return fail(error, -1);
        }
        auto session =
            std::make_shared<LoginSession>(sdk, nextLoginId(), std::move(credentials), std::move(socket), token);
        // Started before it is registered: a clean-up that races with this call
        // either finds it running and stops it, or refuses it here.
        session->start();
        if (!sdk.logins.add(session->id(), session)) {
            session->stop(true);
            return fail(TSR_ERR_NOT_INITIALISED, -1);
        }
        if (lpDeviceInfo)
            *lpDeviceInfo = info;
        return session->id();
    });
}

TSR_BOOL TSR_Logout(int32_t lUserID)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        auto session = sdk.logins.take(lUserID);
        if (!session)
            return fail(TSR_ERR_INVALID_HANDLE);
        session->stop(true);
        // The device's alarm connection was admitted on this login; without it the
        // device would go on delivering until the client restarts.
        if (sdk.loginIdFor(session->address().c_str(), session->port()) < 0) {
            const std::string device = session->address() + ":" + std::to_string(session->port());
            sdk.listeners.forEach([&](Listener& listener) { listener.deviceLoggedOut(device); });
        }
        return 1;
    });
}

TSR_BOOL TSR_GetDeviceConfig(int32_t lUserID, uint32_t dwCommand, int32_t lChannel, void* lpOutBuffer,
                             uint32_t dwOutBufferSize, uint32_t* lpBytesReturned)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        if (dwCommand != TSR_GET_IPPARACFG)
            return fail(TSR_ERR_UNSUPPORTED);
        if (!lpOutBuffer)
            return fail(TSR_ERR_INVALID_ARGUMENT);
        if (dwOutBufferSize < sizeof(TSR_IPPARACFG))
            return fail(TSR_ERR_BUFFER_TOO_SMALL);
        auto session = sdk.logins.find(lUserID);
        if (!session)
            return fail(TSR_ERR_INVALID_HANDLE);

        wire::ByteWriter request;
        request.u32(dwCommand);
        request.u32(static_cast<uint32_t>(lChannel));
        std::vector<uint8_t> reply;
        if (uint32_t error = session->query(wire::Kind::ConfigQuery, request.bytes(), wire::Kind::ConfigReply, reply))
            return fail(error);
        auto config = std::make_unique<TSR_IPPARACFG>();
        std::string why;
        std::vector<std::string> dropped;
        if (!wire::decodeConfigReply(reply, dwCommand, *config, why, dropped)) {
            sdkLog().warn("configuration from login {} rejected: {}", lUserID, why);
            return fail(TSR_ERR_PROTOCOL);
        }
        for (const std::string& entry : dropped)
            sdkLog().warn("configuration from login {}: {}; left out", lUserID, entry);
        config->dwSize = sizeof(TSR_IPPARACFG);
        std::memcpy(lpOutBuffer, config.get(), sizeof(TSR_IPPARACFG));
        if (lpBytesReturned)
            *lpBytesReturned = sizeof(TSR_IPPARACFG);
        return 1;
    });
}

int32_t TSR_StartListen(const char* sLocalIP, uint16_t wLocalPort, TSR_MSGCALLBACK fMessageCallBack, void* pUser)
{
    return withSdk<int32_t>(-1, [&](Sdk& sdk) -> int32_t {
        std::string address = sLocalIP ? sLocalIP : "";
        if ((!address.empty() && !isIpv4(address.c_str())) || wLocalPort == 0)
            return fail(TSR_ERR_INVALID_ARGUMENT, -1);
        Listener::Limits limits{ListenLimits::maxConnections, static_cast<int>(ListenLimits::frameTimeoutMs),
                                ListenLimits::maxBufferedBytes};
        auto listener = std::make_shared<Listener>(
            sdk, Listener::Callbacks{fMessageCallBack, pUser, sdk.roundCallback()}, limits, ListenLimits::ledgerPath());
        std::string error;
        if (!listener->start(address, wLocalPort, error)) {
            sdkLog().warn("cannot listen on {}:{}: {}", address, wLocalPort, error);
            return fail(TSR_ERR_LISTEN, -1);
        }
        int32_t handle = nextHandle();
        if (!sdk.listeners.add(handle, listener)) {
            listener->stop();
            return fail(TSR_ERR_NOT_INITIALISED, -1);
        }
        return handle;
    });
}

TSR_BOOL TSR_StopListen(int32_t lListenHandle)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        auto listener = sdk.listeners.take(lListenHandle);
        if (!listener)
            return fail(TSR_ERR_INVALID_HANDLE);
        listener->stop();
        return 1;
    });
}

TSR_BOOL TSR_GetDeliveredAlarm(TSR_ALARM_IDENTITY* pIdentity)
{
    // Answered from the calling thread alone: the callback asking holds no SDK lock.
    if (!pIdentity || !Listener::deliveringNow(*pIdentity))
        return fail(TSR_ERR_INVALID_ARGUMENT);
    return 1;
}

TSR_BOOL TSR_SetMessageCallBack(TSR_MSGCALLBACK fMessageCallBack, void* pUser)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        sdk.setMessageCallback(fMessageCallBack, pUser);
        return 1;
    });
}

TSR_BOOL TSR_SetExceptionCallBack(uint32_t, void*, TSR_EXCEPTIONCALLBACK fExceptionCallBack, void* pUser)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        sdk.setExceptionCallback(fExceptionCallBack, pUser);
        return 1;
    });
}

int32_t TSR_RealPlay(int32_t lUserID, const TSR_PREVIEWINFO* lpPreviewInfo, TSR_REALDATACALLBACK fRealDataCallBack,
                     void* pUser)
{
    return withSdk<int32_t>(-1, [&](Sdk& sdk) -> int32_t {
        if (!lpPreviewInfo)
            return fail(TSR_ERR_INVALID_ARGUMENT, -1);
        if (lpPreviewInfo->dwLinkMode != 0)
            return fail(TSR_ERR_UNSUPPORTED, -1);
        auto session = sdk.logins.find(lUserID);
        if (!session)
            return fail(TSR_ERR_INVALID_HANDLE, -1);
        std::unique_ptr<WindowPlayer> player;
        if (lpPreviewInfo->hPlayWnd)
            player = std::make_unique<WindowPlayer>(lpPreviewInfo->hPlayWnd);
        int32_t handle = nextHandle();
        auto play = std::make_shared<RealPlay>(sdk, handle, session, *lpPreviewInfo, fRealDataCallBack, pUser,
                                               std::move(player));
        if (uint32_t error = play->open())
            return fail(error, -1);
        play->start();
        if (!sdk.plays.add(handle, play)) {
            play->stop();
            return fail(TSR_ERR_NOT_INITIALISED, -1);
        }
        return handle;
    });
}

TSR_BOOL TSR_SetRealDataCallBack(int32_t lRealHandle, TSR_REALDATACALLBACK fRealDataCallBack, void* pUser)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        auto play = sdk.plays.find(lRealHandle);
        if (!play)
            return fail(TSR_ERR_INVALID_HANDLE);
        play->setCallback(fRealDataCallBack, pUser);
        return 1;
    });
}

TSR_BOOL TSR_StopRealPlay(int32_t lRealHandle)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        auto play = sdk.plays.take(lRealHandle);
        if (!play)
            return fail(TSR_ERR_INVALID_HANDLE);
        play->stop();
        return 1;
    });
}

int32_t TSR_GetFileByTime(int32_t lUserID, const char* sSavedFileName, const TSR_PLAYCOND* pDownloadCond)
{
    return withSdk<int32_t>(-1, [&](Sdk& sdk) -> int32_t {
        if (!sSavedFileName || !*sSavedFileName || !pDownloadCond)
            return fail(TSR_ERR_INVALID_ARGUMENT, -1);
        auto session = sdk.logins.find(lUserID);
        if (!session)
            return fail(TSR_ERR_INVALID_HANDLE, -1);
        int32_t handle = nextHandle();
        auto download = std::make_shared<Download>(sdk, handle, session, sSavedFileName, *pDownloadCond);
        if (uint32_t error = download->open())
            return fail(error, -1);
        if (!sdk.downloads.add(handle, download))
            return fail(TSR_ERR_NOT_INITIALISED, -1);
        return handle;
    });
}

TSR_BOOL TSR_PlayBackControl(int32_t lPlayHandle, uint32_t dwControlCode, const void*, uint32_t, void*, uint32_t*)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        auto download = sdk.downloads.find(lPlayHandle);
        if (!download)
            return fail(TSR_ERR_INVALID_HANDLE);
        if (dwControlCode != TSR_PLAYSTART)
            return fail(TSR_ERR_UNSUPPORTED);
        if (uint32_t error = download->start())
            return fail(error);
        return 1;
    });
}

int32_t TSR_GetDownloadPos(int32_t lFileHandle)
{
    return withSdk<int32_t>(-1, [&](Sdk& sdk) -> int32_t {
        auto download = sdk.downloads.find(lFileHandle);
        if (!download)
            return fail(TSR_ERR_INVALID_HANDLE, -1);
        int32_t position = download->position();
        if (position > 100)
            setLastError(download->failure());
        return position;
    });
}

TSR_BOOL TSR_StopGetFile(int32_t lFileHandle)
{
    return withSdk<TSR_BOOL>(0, [&](Sdk& sdk) -> TSR_BOOL {
        auto download = sdk.downloads.take(lFileHandle);
        if (!download)
            return fail(TSR_ERR_INVALID_HANDLE);
        download->stop();
        return 1;
    });
}

} // extern "C"
