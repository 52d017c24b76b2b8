#include "SaveVideoRunnable.h"

#include "ShutdownSignal.h"

#include "core/Logging.h"
#include "core/SanitizerHandOver.h"

#include "tessoran.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr const char* kMethod = "SaveVideoRunnable::run";

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("SaveVideoRunnable");
}

TSR_TIME ToDeviceTime(const QDateTime& time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    TSR_TIME out{};
    out.dwYear = static_cast<uint32_t>(date.year());
    out.dwMonth = static_cast<uint32_t>(date.month());
    out.dwDay = static_cast<uint32_t>(date.day());
    out.dwHour = static_cast<uint32_t>(clock.hour());
    out.dwMinute = static_cast<uint32_t>(clock.minute());
    out.dwSecond = static_cast<uint32_t>(clock.second());
    return out;
}

// A failure once the program is closing is the clean-up ending the job, no fault.
template <typename... Args>
void LogFailure(const ShutdownSignal& shutdown, const char* format, const Args&... args)
{
    if (shutdown.IsRaised())
        Log()->info(fmt::runtime(format), args...);
    else
        Log()->error(fmt::runtime(format), args...);
}

// Ends a download whatever way the job leaves: the SDK keeps a connection and a
// file open for every handle until it is stopped.
class DownloadHandle
{
public:
    DownloadHandle(int handle, long lUserID, const ShutdownSignal& shutdown)
        : handle(handle), lUserID(lUserID), shutdown(shutdown)
    {
    }
    ~DownloadHandle() { Stop(); }
    DownloadHandle(const DownloadHandle&) = delete;
    DownloadHandle& operator=(const DownloadHandle&) = delete;

    int Get() const { return handle; }

    bool Stop()
    {
        if (handle < 0)
            return true;
        const bool stopped = TSR_StopGetFile(std::exchange(handle, -1)) != 0;
        if (!stopped)
            LogFailure(shutdown, "{}, 设备{}停止获取录像失败, 错误码：{}", kMethod, lUserID, TSR_GetLastError());
        return stopped;
    }

private:
    int handle;
    long lUserID;
    const ShutdownSignal& shutdown;
};

} // namespace

// Errors by which the device says it cannot serve the clip, now or later.
bool RecordingIsGone(uint32_t error)
{
    return error == TSR_ERR_NO_VIDEO || error == TSR_ERR_CHANNEL || error == TSR_ERR_INVALID_ARGUMENT;
}

SaveVideoRunnable::SaveVideoRunnable(const ClipRequest& request, LoginLookup login, ClipTiming timing,
                                     std::shared_ptr<ShutdownSignal> shutdown, Ended ended)
    : request(request), login(std::move(login)), timing(timing), shutdown(std::move(shutdown)), ended(std::move(ended))
{
    setAutoDelete(true);
}

SaveVideoRunnable::~SaveVideoRunnable() = default;

void SaveVideoRunnable::run()
{
    TakeHandOver(this);
    const ClipOutcome outcome = Fetch();
    if (ended)
        ended(outcome);
}

ClipOutcome SaveVideoRunnable::Fetch()
{
    if (shutdown->IsRaised()) {
        Log()->info("{}, 录像下载在等待中取消，留待下次启动：{}", kMethod, request.file);
        return ClipOutcome::Kept;
    }
    lUserID = login ? login() : -1;
    if (lUserID < 0) {
        Log()->info("{}, 设备{}未登录，录像留待其登录：{}", kMethod, request.deviceIp, request.file);
        return ClipOutcome::Kept;
    }

    TSR_PLAYCOND condition{};
    condition.dwChannel = static_cast<uint32_t>(request.channel);
    condition.struStartTime = ToDeviceTime(request.start);
    condition.struStopTime = ToDeviceTime(request.end);
    const int handle =
        TSR_GetFileByTime(static_cast<int32_t>(lUserID), QFile::encodeName(request.file).constData(), &condition);
    if (handle < 0)
        return Failed("获取录像失败");
    DownloadHandle download(handle, lUserID, *shutdown);
    if (!TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr))
        return Failed("下载录像失败");
    const int position = WatchDownload(handle);
    if (!download.Stop())
        return ClipOutcome::Kept;
    return ReportResult(position);
}

ClipOutcome SaveVideoRunnable::Failed(const char* what)
{
    const uint32_t error = TSR_GetLastError();
    if (RecordingIsGone(error)) {
        Log()->warn("{}, 设备{}{}, 错误码：{}，不再下载：{}", kMethod, lUserID, what, error, request.file);
        return ClipOutcome::GivenUp;
    }
    LogFailure(*shutdown, "{}, 设备{}{}, 错误码：{}，留待设备恢复：{}", kMethod, lUserID, what, error, request.file);
    return ClipOutcome::Kept;
}

int SaveVideoRunnable::WatchDownload(int handle)
{
    // A short clip is written in a few tens of milliseconds: looked at soon,
    // then less often, so the thread is free for the next clip at once.
    using std::chrono::milliseconds;
    const milliseconds budget = timing.pollInterval * timing.maxPolls;
    milliseconds step = std::min(milliseconds(10), timing.pollInterval);
    milliseconds waited{0};
    int position = 0;
    while (waited < budget) {
        if (!shutdown->SleepFor(step))
            return position;
        waited += step;
        position = TSR_GetDownloadPos(handle);
        if (position < 0 || position >= 100)
            return position;
        step = std::min(step * 2, timing.pollInterval);
    }
    return position;
}

ClipOutcome SaveVideoRunnable::ReportResult(int position)
{
    if (position == 100)
        return ClipOutcome::Fetched;
    if (position < 0 || position > 100) {
        std::printf("download err [%d]\n", static_cast<int>(TSR_GetLastError()));
        std::fflush(stdout);
        return Failed("下载失败");
    }
    if (shutdown->IsRaised())
        Log()->info("{}, 设备{}录像下载因退出而停止，进度{}：{}", kMethod, lUserID, position, request.file);
    else
        Log()->error("{}, 设备{}录像下载超时，进度{}：{}", kMethod, lUserID, position, request.file);
    return ClipOutcome::Kept;
}
