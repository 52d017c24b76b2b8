#include "RtspManager.h"

#include "RtspStreamSink.h"

#include "data/ImplementInstance.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <cstring>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("RtspManager");
}

std::shared_ptr<spdlog::logger> CallbackLog()
{
    return LoggerFor("CALLBACK");
}

// Starts waiting on a silent server must not keep others from starting.
constexpr int kWorkers = 64;

void LogCB(int iLogLevel, const char* pszModule, const char* pszMsg)
{
    CallbackLog()->info("{}, iLogLevel:{}, pszModule:{}, pszMsg:{}", "LogCB", iLogLevel, pszModule ? pszModule : "",
                        pszMsg ? pszMsg : "");
}

void Pellmar_MsgFuncEx(int iMsgType, void* pMsgPtr, void* pUser)
{
    CallbackLog()->info("{}, iMsgType:{}, pMsgPtr:{}", "Pellmar_MsgFuncEx", iMsgType, pMsgPtr);
    if (iMsgType != PELLMAR_MSG_EXCEPTION || !pMsgPtr || !pUser)
        return;
    const int code = static_cast<const PELLMAR_MSG_T*>(pMsgPtr)->iCode;
    // A lost connection or unanswered keep-alives end the stream; a frozen
    // server (media silence) may still recover, so it is only logged.
    if (code == PELLMAR_EXC_CONNECTION_LOST || code == PELLMAR_EXC_KEEPALIVE_LOST)
        static_cast<RtspStreamSink*>(pUser)->ReportEnd();
}

int SettingOr(const QString& key, int fallback)
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    if (!instance)
        return fallback;
    bool ok = false;
    const int value = instance->GetConfig()->GetValue(key, true).toInt(&ok);
    return ok ? value : fallback;
}

int StartStream(int session, const std::string& url, const std::string& user, const std::string& password,
                int transport, RtspStreamSink* sink)
{
    STREAM_PARAM_T param;
    std::memset(&param, 0, sizeof param);
    param.pszUrl = url.c_str();
    param.pszUserName = user.c_str();
    param.pszPassword = password.c_str();
    param.pszUserAgent = nullptr;
    // Whole RTP packets: the player depacketizes them itself.
    param.bRtpPack = 1;
    param.iTransCode = transport;
    param.pszDestAddr = nullptr;
    param.usDestPort = 0;
    param.pfnMsgCB = Pellmar_MsgFuncEx;
    param.pfnDataCB = RealDataCallback;
    param.pUser = sink;
    param.stPlayBack.iPlayBackMode = 0;
    param.stPlayBack.bRelRange = 0;
    param.stPlayBack.bAbsRange = 0;
    param.stPlayBack.bScale = 0;
    param.stPlayBack.dScale = 1.0;
    param.bOwnQueue = 0;
    param.bNoTraceUrl = 0;
    return Pellmar_StartStream(session, &param);
}

} // namespace

QMutex RtspManager::instanceMutex;
RtspManager* RtspManager::pInstance = nullptr;
bool RtspManager::bDestroyed = false;

RtspManager* RtspManager::instance()
{
    QMutexLocker lock(&instanceMutex);
    if (!pInstance && !bDestroyed)
        pInstance = new RtspManager();
    return pInstance;
}

void RtspManager::DestroyInstance()
{
    RtspManager* manager = nullptr;
    {
        QMutexLocker lock(&instanceMutex);
        manager = pInstance;
        pInstance = nullptr;
        bDestroyed = true;
    }
    delete manager;
}

RtspManager::RtspManager()
{
    // Results and stream ends are delivered on the GUI thread, whichever
    // thread made the manager.
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
    pool.setMaxThreadCount(kWorkers);
    ReadSettings();
    Pellmar_SetLogCB(LogCB);
    if (Pellmar_InitLib(&portPool) != 0)
        Log()->error("{}, Init Pellmar Lib failed", "RtspManager::RtspManager");
}

void RtspManager::ReadSettings()
{
    // Local RTP/RTCP ports come from a range above the privileged ones, so
    // the client needs no special rights; each session takes an even port
    // and the one after it.
    int start = SettingOr(QStringLiteral("Rtsp/LocalPortStart"), kDefaultPortStart);
    int count = SettingOr(QStringLiteral("Rtsp/LocalPortCount"), kDefaultPortCount);
    if (start < 1024 || start > 65000 || start % 2 != 0) {
        Log()->error("{}, Rtsp/LocalPortStart {} refused, {} used", "RtspManager::ReadSettings", start,
                     kDefaultPortStart);
        start = kDefaultPortStart;
    }
    count = std::clamp(count, 1, (65535 - start) / 2);
    portPool.usTcpStartPort = static_cast<uint16_t>(start);
    portPool.usTcpPortCount = static_cast<uint16_t>(count);
    portPool.usUdpStartPort = static_cast<uint16_t>(start);
    portPool.usUdpPortCount = static_cast<uint16_t>(count);
}

int RtspManager::Transport()
{
    const int transport = SettingOr(QStringLiteral("Rtsp/Transport"), kDefaultTransport);
    return (transport == PELLMAR_TRANS_UDP || transport == PELLMAR_TRANS_RTSP || transport == PELLMAR_TRANS_TCP)
               ? transport
               : kDefaultTransport;
}

RtspManager::~RtspManager()
{
    // Starts still waiting are cut short; playing sessions are torn down on
    // the workers side by side, so the window closes after the slowest one.
    for (auto it = hashStarting.cbegin(); it != hashStarting.cend(); ++it)
        Pellmar_Interrupt(it.key());
    for (const int session : qlistSession)
        QueueStop(session, hashSink.value(session));
    qlistSession.clear();
    hashSink.clear();
    pool.waitForDone();
    // The starts have returned; their results will not be delivered.
    for (auto it = hashStarting.cbegin(); it != hashStarting.cend(); ++it)
        CloseSession(it.key());
    hashStarting.clear();
    Pellmar_FiniLib();
}

int RtspManager::StartPlay(const std::string& url, const std::string& user, const std::string& password,
                           const std::shared_ptr<RtspStreamSink>& sink)
{
    const int session = Pellmar_CreateSession();
    if (session == 0) {
        Log()->error("{}, Pellmar_CreateSession failed", "RtspManager::StartPlay");
        return 0;
    }
    sink->Attach(this, session);
    hashStarting.insert(session, Starting{sink});
    const int transport = Transport();
    pool.start([this, session, url, user, password, transport, sink] {
        const int result = StartStream(session, url, user, password, transport, sink.get());
        QMetaObject::invokeMethod(
            this, [this, session, result] { FinishStart(session, result); }, Qt::QueuedConnection);
    });
    return session;
}

void RtspManager::FinishStart(int session, int result)
{
    auto it = hashStarting.find(session);
    if (it == hashStarting.end())
        return;
    const Starting starting = it.value();
    hashStarting.erase(it);
    if (starting.bCancelled) {
        QueueStop(session, starting.sink);
        return;
    }
    if (result == 0 && starting.bEnded) {
        // The stream ended before its start was reported.
        qlistSession.append(session);
        hashSink.insert(session, starting.sink);
        emit StartFinishedSig(session, 0);
        OnStreamEnd(session);
        return;
    }
    if (result == 0) {
        qlistSession.append(session);
        hashSink.insert(session, starting.sink);
    }
    emit StartFinishedSig(session, result);
}

void RtspManager::StopPlay(int session)
{
    auto starting = hashStarting.find(session);
    if (starting != hashStarting.end()) {
        // The start returns within milliseconds; its result then closes the session.
        starting->bCancelled = true;
        Pellmar_Interrupt(session);
        return;
    }
    const std::shared_ptr<RtspStreamSink> sink = hashSink.take(session);
    qlistSession.removeOne(session);
    QueueStop(session, sink);
}

void RtspManager::QueueStop(int session, const std::shared_ptr<RtspStreamSink>& sink)
{
    // The sink lives until the stop has returned: no callback comes after it.
    pool.start([session, sink] { CloseSession(session); });
}

void RtspManager::CloseSession(int session)
{
    Pellmar_StopStream(session);
    Pellmar_DestroySession(session);
}

void RtspManager::ReportStreamEnd(int session)
{
    QMetaObject::invokeMethod(
        this, [this, session] { OnStreamEnd(session); }, Qt::QueuedConnection);
}

void RtspManager::OnStreamEnd(int session)
{
    auto starting = hashStarting.find(session);
    if (starting != hashStarting.end()) {
        starting->bEnded = true;
        return;
    }
    if (qlistSession.contains(session))
        emit StreamEndedSig(session);
}
