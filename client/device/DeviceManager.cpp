#include "DeviceManager.h"

#include "AlarmValidation.h"
#include "Ipv4Text.h"
#include "SaveVideoRunnable.h"
#include "SdkText.h"
#include "ShutdownSignal.h"

#include "core/ApplicationDir.h"
#include "core/SanitizerHandOver.h"
#include "data/ImplementInstance.h"
#include "core/Logging.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaMethod>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

std::atomic<DeviceManager*> DeviceManager::instance{nullptr};
std::mutex DeviceManager::linkMutex;

namespace {

// Exception reports arrive on the SDK's event thread; this gate lets the
// destructor wait for one under way, so none reaches a deleted manager.
std::mutex exceptionGate;

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("DeviceManager");
}

// Passwords never reach the log files.
QString Masked(const QString& password)
{
    return password.isEmpty() ? QString() : QStringLiteral("******");
}

quintptr CurrentThreadId()
{
    return reinterpret_cast<quintptr>(QThread::currentThreadId());
}

// What the receiver of the alarm being handled on this thread reported.
thread_local std::optional<bool> alarmStored;
// The receiver held the alarm for its round (HoldAlarm).
thread_local bool alarmHeld = false;
// The round of the listener whose alarm this thread is handling; null outside one.
thread_local AlarmRound* openRound = nullptr;

// Set while ConnectAlarms connects, on its thread.
thread_local bool connectingAlarms = false;
std::atomic<int> strayAlarmConnections{0};

bool IsAlarmSignal(const QMetaMethod& signal)
{
    return signal == QMetaMethod::fromSignal(&DeviceManager::AlarmAidSig) ||
           signal == QMetaMethod::fromSignal(&DeviceManager::AlarmTpsSig) ||
           signal == QMetaMethod::fromSignal(&DeviceManager::AlarmTfsResultSig);
}

bool IsStoredAlready(const AlarmOrigin& origin)
{
    ImplementInstance* instance = ImplementInstance::GetInstance();
    return instance && origin.IsKnown() && instance->GetDatabase()->IsAlarmStored(origin);
}

template <class Record, class Copy, class Signal>
void DispatchAlarm(DeviceManager* manager, int32_t command, const TSR_ALARMER& alarmer, const char* body,
                   uint32_t length, Copy copy, Signal signal)
{
    // Zeroed, whole copies: receivers read them by field and must not keep them.
    TSR_ALARMER sender{};
    Record record{};
    std::string why;
    if (!CopyAlarmer(alarmer, sender, why) || !copy(body, length, record, why)) {
        Log()->error("{}, 丢弃报警 lCommand:{}，原因：{}", "ListenMsgCallBack", command, why);
        return;
    }
    emit(manager->*signal)(&sender, &record);
}

} // namespace

TSR_BOOL ListenMsgCallBack(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t length, void* user)
{
    if (!alarmer || !body || length == 0 || !user) {
        Log()->error("{}, nullptr == pAlarmer || nullptr == pAlarmInfo || 0 == dwBufLen || nullptr == pUser",
                     "ListenMsgCallBack");
        return 0;
    }
    Log()->info("********threadId:{}, lCommand:{}, DeviceIP: {}", CurrentThreadId(), command,
                SdkText(alarmer->sDeviceIP));
    auto* manager = static_cast<DeviceManager*>(user);
    // Stored before a kill that came ahead of the acknowledgement: the device
    // sends it again, and it is acknowledged without a second row.
    const AlarmOrigin origin = DeviceManager::CurrentAlarmOrigin();
    if (IsStoredAlready(origin)) {
        Log()->info("{}, alarm {} of device {} is stored already; acknowledged again", "ListenMsgCallBack",
                    origin.number, origin.device);
        return 1;
    }
    alarmStored.reset();
    alarmHeld = false;
    openRound = &manager->alarmRound;
    switch (command) {
    case TSR_ALARM_VIOLATION:
        DispatchAlarm<TSR_TFS_ALARM>(manager, command, *alarmer, body, length, CopyViolationAlarm,
                                     &DeviceManager::AlarmTfsResultSig);
        break;
    case TSR_ALARM_TRAFFIC_PARAMS:
        DispatchAlarm<TSR_TPS_ALARM>(manager, command, *alarmer, body, length, CopyTrafficParamAlarm,
                                     &DeviceManager::AlarmTpsSig);
        break;
    case TSR_ALARM_INCIDENT:
        DispatchAlarm<TSR_AID_ALARM>(manager, command, *alarmer, body, length, CopyIncidentAlarm,
                                     &DeviceManager::AlarmAidSig);
        break;
    default: break;
    }
    openRound = nullptr;
    if (std::exchange(alarmHeld, false))
        return TSR_ALARM_HELD;
    // Unreported (dropped on purpose) counts as handled and leaves the state be.
    const std::optional<bool> reported = std::exchange(alarmStored, std::nullopt);
    if (reported)
        manager->NoteAlarmsStored(*reported);
    return reported == false ? 0 : 1;
}

TSR_BOOL AlarmRoundCallBack(uint32_t held, void* user)
{
    auto* manager = static_cast<DeviceManager*>(user);
    if (held & TSR_ALARM_ROUND_DROPPED) {
        // Behind a round that was not stored, whose failure was told already.
        manager->alarmRound.Drop(held & ~TSR_ALARM_ROUND_DROPPED);
        return 0;
    }
    if (held == 0)
        return 1;
    const bool stored = manager->alarmRound.Finish(held);
    manager->NoteAlarmsStored(stored);
    return stored ? 1 : 0;
}

void DeviceManager::NoteAlarmsStored(bool stored)
{
    if (alarmStoreFailing.exchange(!stored) != !stored)
        emit AlarmStoreFailingSig(!stored);
}

bool DeviceManager::HoldAlarm(AlarmRound::Alarm alarm)
{
    if (openRound) {
        const bool held = openRound->Hold(std::move(alarm));
        alarmHeld = held;
        alarmStored = held ? std::nullopt : std::optional<bool>(false);
        return held;
    }
    AlarmRound now;
    const bool stored = now.Hold(std::move(alarm)) && now.Finish();
    ReportAlarmStored(stored);
    return stored;
}

AlarmOrigin DeviceManager::CurrentAlarmOrigin()
{
    TSR_ALARM_IDENTITY identity{};
    AlarmOrigin origin;
    if (!TSR_GetDeliveredAlarm(&identity))
        return origin;
    origin.device = SdkText(identity.sDevice);
    origin.runId = identity.qwRunId;
    origin.number = identity.dwNumber;
    return origin;
}

void DeviceManager::ReportAlarmStored(bool stored)
{
    alarmStored = stored;
}

DeviceManager::AlarmConnecting::AlarmConnecting()
{
    connectingAlarms = true;
}

DeviceManager::AlarmConnecting::~AlarmConnecting()
{
    connectingAlarms = false;
}

int DeviceManager::StrayAlarmConnections()
{
    return strayAlarmConnections.load();
}

void DeviceManager::connectNotify(const QMetaMethod& signal)
{
    if (connectingAlarms || !IsAlarmSignal(signal))
        return;
    ++strayAlarmConnections;
    Log()->error("{}, {} connected outside ConnectAlarms: its records live only during a direct emission",
                 "DeviceManager::connectNotify", signal.methodSignature().toStdString());
    Q_ASSERT_X(false, "DeviceManager::connectNotify", "alarm signals are connected through ConnectAlarms only");
}

TSR_BOOL MessageCallback(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t length, void* user)
{
    if (alarmer && body && length != 0 && user)
        Log()->error("{}, lCommand:{}", "MessageCallback", command);
    else
        Log()->error("{}, nullptr == pAlarmer || nullptr == pAlarmInfo || 0 == dwBufLen || nullptr == pUser",
                     "MessageCallback");
    return 0;
}

void ExceptionCallBack(uint32_t type, int32_t lUserID, int32_t, void* user)
{
    const std::lock_guard<std::mutex> gate(exceptionGate);
    auto* manager = static_cast<DeviceManager*>(user);
    if (!manager || manager != DeviceManager::instance.load())
        return;
    if (type == TSR_EXCEPTION_DEVICE_DROPPED)
        emit manager->DeviceStateSig(lUserID, false);
    else if (type == TSR_EXCEPTION_DEVICE_RESTORED) {
        emit manager->DeviceStateSig(lUserID, true);
        stu_LoginInfo login;
        if (manager->GetLoginInfoByUserId(lUserID, &login))
            manager->ResumeClips(login.deviceIp, login.port);
    }
}

namespace {

// The SDK's own lines (refused connections, cut frames, logins) go into the
// client's log files under the logger "Tessoran".
void SdkLogLine(uint32_t level, const char* text, void*)
{
    static const spdlog::level::level_enum levels[] = {spdlog::level::trace, spdlog::level::debug,
                                                       spdlog::level::info,  spdlog::level::warn,
                                                       spdlog::level::err,   spdlog::level::critical};
    LoggerFor("Tessoran")->log(levels[std::min<uint32_t>(level, TSR_LOG_CRITICAL)], "{}, {}", "Tessoran", text);
}

} // namespace

DeviceManager* DeviceManager::GetInstance()
{
    if (DeviceManager* existing = instance.load(std::memory_order_acquire))
        return existing;
    const std::lock_guard<std::mutex> lock(linkMutex);
    DeviceManager* manager = instance.load(std::memory_order_relaxed);
    if (!manager) {
        manager = new DeviceManager();
        instance.store(manager, std::memory_order_release);
    }
    return manager;
}

void DeviceManager::DestroyInstance()
{
    delete instance.exchange(nullptr);
}

DeviceManager::DeviceManager()
    : clock([] { return QDateTime::currentDateTime(); }), clipShutdown(std::make_shared<ShutdownSignal>())
{
    qRegisterMetaType<stu_LoginInfo>("LoginInfo");
    TimeSlots(); // built now, not on the first stream thread
}

DeviceManager::~DeviceManager()
{
    // Alarms first, as they queue clip jobs; then the jobs, then the recordings.
    for (long handle : listenHandles)
        TSR_StopListen(static_cast<int32_t>(handle));
    StopClipJobs(10000);
    StopRecording();
    {
        const std::lock_guard<std::mutex> gate(exceptionGate);
        if (instance.load() == nullptr) {
            TSR_SetMessageCallBack(nullptr, nullptr);
            TSR_SetAlarmRoundCallBack(nullptr, nullptr);
            TSR_SetExceptionCallBack(0, nullptr, nullptr, nullptr);
            TSR_SetLogCallBack(nullptr, nullptr);
        }
    }
}

void DeviceManager::SetCallBack()
{
    TSR_SetMessageCallBack(MessageCallback, this);
    TSR_SetExceptionCallBack(0, nullptr, ExceptionCallBack, this);
    TSR_SetLogCallBack(SdkLogLine, nullptr);
}

bool DeviceManager::StartListen(long* handle, quint16 port, const QString& address)
{
    // Alarms delivered before a crash are not stored twice when their devices send
    // them again to the restarted client.
    TSR_SetAlarmLedger(QFile::encodeName(ApplicationDirPath() + QStringLiteral("/AlarmLedger.dat")).constData());
    // The alarms of a round are stored together, with one commit.
    TSR_SetAlarmRoundCallBack(AlarmRoundCallBack, this);
    // Left by a listener stopped from its own callback, whose round never
    // ended: the new listener's rounds must not end them.
    alarmRound.Drop(0);
    const QByteArray localAddress = address.toUtf8();
    const long result =
        TSR_StartListen(address.isEmpty() ? nullptr : localAddress.constData(), port, ListenMsgCallBack, this);
    if (handle)
        *handle = result;
    if (result < 0) {
        Log()->error("{}, 报警监听端口{}打开失败，错误码：{}", "DeviceManager::StartListen", port, TSR_GetLastError());
        return false;
    }
    const std::lock_guard<std::mutex> lock(linkMutex);
    listenHandles.append(result);
    return true;
}

bool DeviceManager::DeviceLogin(const QString& ip, int port, const QString& userName, const QString& password,
                                long* lUserID)
{
    constexpr const char* method = "DeviceManager::DeviceLogin";
    TSR_USER_LOGIN_INFO request{};
    SetSdkText(request.sDeviceAddress, ip);
    request.wPort = static_cast<uint16_t>(port);
    SetSdkText(request.sUserName, userName);
    SetSdkText(request.sPassword, password);
    TSR_DEVICEINFO device{};
    const long id = TSR_Login(&request, &device);
    std::memset(request.sPassword, 0, sizeof request.sPassword);
    if (lUserID)
        *lUserID = id;
    if (id == -1) {
        Log()->error("{}, 服务器设备{}登录失败，错误码：{}", method, ip, TSR_GetLastError());
        return false;
    }
    Log()->info("{}, 服务器设备{}登录成功，ID：{}", method, ip, id);
    {
        const std::lock_guard<std::mutex> lock(linkMutex);
        loginList.append(stu_LoginInfo{ip, port, userName, id});
    }
    ResumeClips(ip, port);
    return true;
}

bool DeviceManager::DeviceLogout(long lUserID)
{
    const std::lock_guard<std::mutex> lock(linkMutex);
    for (int i = 0; i < loginList.size(); ++i) {
        if (loginList[i].lUserID == lUserID) {
            loginList.removeAt(i);
            return TSR_Logout(static_cast<int32_t>(lUserID)) != 0;
        }
    }
    return false;
}

bool DeviceManager::GetDeviceChannelInfo(long* lUserID, const QString& deviceIp, QList<stu_DeviceChannelInfo>* channels)
{
    constexpr const char* method = "DeviceManager::GetDeviceChannelInfo";
    if (!lUserID || !channels)
        return false;
    auto config = std::make_unique<TSR_IPPARACFG>();
    std::memset(config.get(), 0, sizeof *config);
    uint32_t returned = 0;
    if (!TSR_GetDeviceConfig(static_cast<int32_t>(*lUserID), TSR_GET_IPPARACFG, 0, config.get(), sizeof *config,
                             &returned)) {
        const QString reason = QString::fromUtf8(TSR_GetErrorMsg(nullptr));
        Log()->error("{}, 获取通道信息失败，错误码:{}, 错误原因:{}", method, TSR_GetLastError(), reason);
        return false;
    }
    for (const TSR_IPDEVINFO& entry : config->struIPDevInfo) {
        if (entry.byEnable != 1)
            continue;
        stu_DeviceChannelInfo channel;
        channel.deviceIp = deviceIp;
        channel.channelIp = SdkText(entry.sIpV4);
        channel.channelPort = entry.wPort;
        channel.userName = SdkText(entry.sUserName);
        channel.password = SdkText(entry.sPassword);
        channel.channelNo = 0;
        // The address is logged into and names recording folders.
        if (!IsIpv4Text(channel.channelIp)) {
            Log()->error("{}, 通道地址{}不是IPv4地址，已忽略", method, channel.channelIp);
            continue;
        }
        channels->append(channel);
        {
            const std::lock_guard<std::mutex> lock(linkMutex);
            channelList.append(channel);
        }
        Log()->info("{}, 通道：{}， {}， {}， {}", method, channel.channelIp, channel.channelPort, channel.userName,
                    Masked(channel.password));
    }
    return true;
}

bool DeviceManager::GetLoginInfoByUserId(long lUserID, stu_LoginInfo* login)
{
    const std::lock_guard<std::mutex> lock(linkMutex);
    for (const stu_LoginInfo& entry : qAsConst(loginList)) {
        if (entry.lUserID == lUserID) {
            if (login)
                *login = entry;
            return true;
        }
    }
    return false;
}

long DeviceManager::GetUserIdByIpPort(const QString& ip, int port)
{
    const std::lock_guard<std::mutex> lock(linkMutex);
    for (const stu_LoginInfo& entry : qAsConst(loginList))
        if (entry.deviceIp == ip && entry.port == port)
            return entry.lUserID;
    return -1;
}

bool DeviceManager::GetUserIdByIpPortUser(const QString& ip, int port, const QString& userName, long* lUserID)
{
    const std::lock_guard<std::mutex> lock(linkMutex);
    for (const stu_LoginInfo& entry : qAsConst(loginList)) {
        if (entry.deviceIp == ip && entry.port == port && entry.userName == userName) {
            if (lUserID)
                *lUserID = entry.lUserID;
            return true;
        }
    }
    if (lUserID)
        *lUserID = -1;
    return false;
}

QList<stu_LoginInfo> DeviceManager::GetLoginList() const
{
    const std::lock_guard<std::mutex> lock(linkMutex);
    return loginList;
}

QList<stu_DeviceChannelInfo> DeviceManager::GetChannelList() const
{
    const std::lock_guard<std::mutex> lock(linkMutex);
    return channelList;
}

bool DeviceManager::StartRealPlay(long lUserID, WId window, int channel, int streamType, long* handle)
{
    constexpr const char* method = "DeviceManager::StartRealPlay";
    TSR_PREVIEWINFO preview{};
    preview.lChannel = channel;
    preview.dwStreamType = static_cast<uint32_t>(streamType);
    preview.dwLinkMode = 0;
    preview.hPlayWnd = static_cast<TSR_HWND>(window);
    preview.bBlocked = 1;
    const std::lock_guard<std::mutex> lock(linkMutex);
    const long result = TSR_RealPlay(static_cast<int32_t>(lUserID), &preview, nullptr, nullptr);
    if (handle)
        *handle = result;
    if (result == -1) {
        Log()->error("{}, 通道{}预览失败，错误码：{}", method, lUserID, TSR_GetLastError());
        return false;
    }
    Log()->info("{}, 通道{}预览成功", method, lUserID);
    return true;
}

bool DeviceManager::StopRealPlay(long handle)
{
    return TSR_StopRealPlay(static_cast<int32_t>(handle)) != 0;
}

void DeviceManager::DownloadVideo(const int& startOffsetSecs, const int& endOffsetSecs, const QString& deviceIp,
                                  const int& port, const int& channel, const QString& alarmTime, const QString& file)
{
    constexpr const char* method = "DeviceManager::DownloadVideo";
    const QDateTime time = QDateTime::fromString(alarmTime.left(14), QStringLiteral("yyyyMMddHHmmss"));
    if (!time.isValid()) {
        Log()->error("{}, 报警时间{}无效，不下载录像", method, alarmTime);
        return;
    }
    DownloadClip(
        ClipRequest{file, deviceIp, port, channel, time.addSecs(startOffsetSecs), time.addSecs(endOffsetSecs)});
}

void DeviceManager::DownloadClip(const ClipRequest& request)
{
    constexpr const char* method = "DeviceManager::DownloadVideo";
    if (GetUserIdByIpPort(request.deviceIp, request.devicePort) == -1)
        return;
    if (!request.IsValid() ||
        QDir::fromNativeSeparators(request.file).split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        Log()->error("{}, 录像路径{}无效，不下载录像", method, request.file);
        return;
    }
    if (clipShutdown->IsRaised())
        return;
    {
        const std::lock_guard<std::mutex> lock(clipMutex);
        if (clipsUnderWay.contains(request.file))
            return;
        clipsUnderWay.insert(request.file);
    }
    const QString ip = request.deviceIp;
    const int port = request.devicePort;
    const QString file = request.file;
    // The wait for the device to store the recording keeps no pool thread.
    const std::chrono::seconds wait(ClipWaitSeconds(request.end, clock(), clipTiming.storeDelay));
    auto start = [this, request, ip, port, file, timing = clipTiming] {
        auto* job = new SaveVideoRunnable(
            request, [this, ip, port] { return GetUserIdByIpPort(ip, port); }, timing, clipShutdown,
            [this, file](ClipOutcome outcome) { ClipEnded(file, outcome); });
        AnnounceHandOver(job);
        clipPool.start(job, 0);
    };
    auto drop = [this, file] {
        Log()->info("{}, 录像下载在等待中取消，留待下次启动：{}", "DeviceManager::DownloadVideo", file);
        ClipEnded(file, ClipOutcome::Kept);
    };
    if (!clipWaits.After(wait, std::move(start), std::move(drop)))
        ClipEnded(file, ClipOutcome::Kept);
}

void DeviceManager::ClipEnded(const QString& file, ClipOutcome outcome)
{
    const std::lock_guard<std::mutex> lock(clipMutex);
    clipsUnderWay.remove(file);
    if (outcome == ClipOutcome::Fetched && clipLedger.fetched)
        clipLedger.fetched(file);
    else if (outcome == ClipOutcome::GivenUp && clipLedger.givenUp)
        clipLedger.givenUp(file);
}

void DeviceManager::SetClipLedger(const ClipLedger& ledger)
{
    const std::lock_guard<std::mutex> lock(clipMutex);
    clipLedger = ledger;
}

void DeviceManager::ResumeClips(const QString& deviceIp, int port)
{
    QList<ClipRequest> requests;
    {
        const std::lock_guard<std::mutex> lock(clipMutex);
        if (clipLedger.pending)
            requests = clipLedger.pending(deviceIp, port);
    }
    if (!requests.isEmpty())
        Log()->info("DeviceManager::ResumeClips, 设备{}有{}段录像待下载", deviceIp, requests.size());
    for (const ClipRequest& request : requests)
        DownloadClip(request);
}

bool DeviceManager::WaitForClipJobs(int msecs)
{
    QElapsedTimer timer;
    timer.start();
    return clipWaits.WaitUntilIdle(std::chrono::milliseconds(msecs)) &&
           clipPool.waitForDone(std::max<int>(0, msecs - static_cast<int>(timer.elapsed())));
}

bool DeviceManager::StopClipJobs(int msecs)
{
    clipShutdown->Raise();
    clipWaits.Stop();
    return clipPool.waitForDone(msecs);
}

void DeviceManager::SetClock(Clock newClock)
{
    clock = std::move(newClock);
}

void DeviceManager::SetClipTiming(const ClipTiming& timing)
{
    clipTiming = timing;
}
