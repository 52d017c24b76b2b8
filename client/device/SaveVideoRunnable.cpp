#include "SaveVideoRunnable.h"

#include "ShutdownSignal.h"

#include "core/Logging.h"

#include "tessoran.h"

#include <QFile>

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

}  // namespace

SaveVideoRunnable::SaveVideoRunnable(long lUserID, int channel, const QString& file,
                                     const QDateTime& start, const QDateTime& end, Clock clock,
                                     ClipTiming timing, std::shared_ptr<ShutdownSignal> shutdown)
    : lUserID(lUserID)
    , channel(channel)
    , file(file)
    , start(start)
    , end(end)
    , clock(std::move(clock))
    , timing(timing)
    , shutdown(std::move(shutdown))
{
    setAutoDelete(true);
}

SaveVideoRunnable::~SaveVideoRunnable() = default;

void SaveVideoRunnable::run()
{
    if (lUserID < 0)
        return;
    if (!WaitForRecording()) {
        Log()->info("{}, 设备{}录像下载在等待中取消：{}", kMethod, lUserID, file);
        return;
    }

    TSR_PLAYCOND condition{};
    condition.dwChannel = static_cast<uint32_t>(channel);
    condition.struStartTime = ToDeviceTime(start);
    condition.struStopTime = ToDeviceTime(end);
    const int handle =
        TSR_GetFileByTime(static_cast<int32_t>(lUserID), QFile::encodeName(file).constData(), &condition);
    if (handle < 0) {
        LogFailure(*shutdown, "{}, 设备{}获取录像失败, 错误码：{}", kMethod, lUserID, TSR_GetLastError());
        return;
    }
    DownloadHandle download(handle, lUserID, *shutdown);
    if (!TSR_PlayBackControl(handle, TSR_PLAYSTART, nullptr, 0, nullptr, nullptr)) {
        LogFailure(*shutdown, "{}, 设备{}下载录像失败, 错误码：{}", kMethod, lUserID, TSR_GetLastError());
        return;
    }
    const int position = WatchDownload(handle);
    if (!download.Stop())
        return;
    ReportResult(position);
}

bool SaveVideoRunnable::WaitForRecording()
{
    const qint64 seconds = ClipWaitSeconds(end, clock(), timing.storeDelay);
    return shutdown->SleepFor(std::chrono::seconds(seconds));
}

int SaveVideoRunnable::WatchDownload(int handle)
{
    int position = 0;
    for (int poll = 0; poll < timing.maxPolls; ++poll) {
        if (!shutdown->SleepFor(timing.pollInterval))
            return position;
        position = TSR_GetDownloadPos(handle);
        if (position < 0 || position >= 100)
            return position;
    }
    return position;
}

void SaveVideoRunnable::ReportResult(int position)
{
    if (position == 100)
        return;
    if (position < 0 || position > 100) {
        const uint32_t error = TSR_GetLastError();
        std::printf("download err [%d]\n", static_cast<int>(error));
        std::fflush(stdout);
        Log()->error("{}, 设备{}下载失败, 错误码：{}", kMethod, lUserID, error);
    } else if (shutdown->IsRaised()) {
        Log()->info("{}, 设备{}录像下载因退出而停止，进度{}：{}", kMethod, lUserID, position, file);
    } else {
        Log()->error("{}, 设备{}录像下载超时，进度{}：{}", kMethod, lUserID, position, file);
    }
}
