#include "VideoManager.h"

#include "core/Logging.h"

#include "Vendaro.h"

#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <atomic>

namespace {

std::atomic<VideoManager*> instance{nullptr};
QMutex instanceMutex;

// Ports whose open file the layer has indexed. Written by the layer's index
// callback on its own thread, read and cleared on the GUI thread.
struct IndexReadyPorts
{
    QMutex mutex;
    QSet<long> ports;
};

IndexReadyPorts& IndexReady()
{
    static IndexReadyPorts ready;
    return ready;
}

void ForgetIndex(long port)
{
    QMutexLocker lock(&IndexReady().mutex);
    IndexReady().ports.remove(port);
}

void FileIndexCallback(long port, void*)
{
    QMutexLocker lock(&IndexReady().mutex);
    IndexReady().ports.insert(port);
}

void FileEndCallback(long port, void* user)
{
    if (!user)
        return;
    // Runs on a layer thread: the call is queued to the receiver's thread.
    QMetaObject::invokeMethod(static_cast<QObject*>(user), "slotFileEnd", Qt::AutoConnection, Q_ARG(long, port));
}

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("VideoManager");
}

bool PortValid(long port, const char* method)
{
    if (port >= 0)
        return true;
    Log()->error("{},播放端口号无效", method);
    return false;
}

// Logs `message` with the method and the port's last error; always false.
bool Failed(long port, const char* method, const char* message)
{
    Log()->error(fmt::runtime(message), method, Mavro_GetLastError(port));
    return false;
}

} // namespace

VideoManager* VideoManager::GetInstance()
{
    if (VideoManager* existing = instance.load())
        return existing;
    QMutexLocker lock(&instanceMutex);
    if (!instance.load())
        instance.store(new VideoManager);
    return instance.load();
}

void VideoManager::GetMavroPort(long& port)
{
    if (!Mavro_GetPort(&port)) {
        Log()->error("{},获取播放端口号失败", "VideoManager::GetMavroPort");
        port = -1;
        return;
    }
    filePaths.insert(port, QString());
    ForgetIndex(port);
    Mavro_SetFileRefCallBack(port, FileIndexCallback, nullptr);
}

void VideoManager::FreeMavroPort(long& port)
{
    filePaths.remove(port);
    ForgetIndex(port);
    if (!Mavro_FreePort(port))
        Log()->error("{},释放播放端口号失败", "VideoManager::FreeMavroPort");
}

bool VideoManager::SetVideoFile(long& port, const QString& path)
{
    constexpr const char* method = "VideoManager::SetVideoFile";
    if (port < 0 || !filePaths.contains(port)) {
        Log()->error("{},播放端口号无效", method);
        return false;
    }
    if (!filePaths.value(port).isEmpty() && Mavro_CloseFile(port))
        filePaths[port].clear();
    // The index belongs to the file it was built for; frame steps on the next
    // file wait for that file's own index.
    ForgetIndex(port);
    if (path.isEmpty())
        return true;
    if (!Mavro_OpenFile(port, path.toLocal8Bit().constData()))
        return Failed(port, method, "{},设置当前播放文件失败，错误码：{}");
    filePaths[port] = path;
    return true;
}

bool VideoManager::StartVideoPlay(long& port, WId window)
{
    constexpr const char* method = "VideoManager::StartVideoPlay";
    if (!PortValid(port, method))
        return false;
    return Mavro_Play(port, static_cast<MAVRO_HWND>(window)) || Failed(port, method, "{},开始播放失败，错误码：{}");
}

bool VideoManager::StopVideoPlay(long& port)
{
    constexpr const char* method = "VideoManager::StopVideoPlay";
    if (!PortValid(port, method))
        return false;
    return Mavro_Stop(port) || Failed(port, method, "{},停止播放失败，错误码：{}");
}

bool VideoManager::PauseVideoPlay(long& port, bool pause)
{
    constexpr const char* method = "VideoManager::PauseVideoPlay";
    if (!PortValid(port, method))
        return false;
    if (Mavro_Pause(port, pause ? 1 : 0))
        return true;
    Log()->error("{},{}播放失败，错误码：{}", method, pause ? "暂停" : "恢复", Mavro_GetLastError(port));
    return false;
}

bool VideoManager::SetVideoFast(long& port)
{
    constexpr const char* method = "VideoManager::SetVideoFast";
    if (!PortValid(port, method))
        return false;
    return Mavro_Fast(port) || Failed(port, method, "{},快速播放失败，错误码：{}");
}

bool VideoManager::SetVideoSlow(long& port)
{
    constexpr const char* method = "VideoManager::SetVideoSlow";
    if (!PortValid(port, method))
        return false;
    return Mavro_Slow(port) || Failed(port, method, "{},慢速播放失败，错误码：{}");
}

bool VideoManager::FrameStep(long& port, const char* method, const char* indexMessage, const char* failMessage,
                             int (*step)(long))
{
    if (!PortValid(port, method))
        return false;
    if (!IsIndexReady(port)) {
        Log()->error(fmt::runtime(indexMessage), method);
        return false;
    }
    return step(port) || Failed(port, method, failMessage);
}

bool VideoManager::SetVideoOnebyOne(long& port)
{
    return FrameStep(port, "VideoManager::SetVideoOnebyOne", "{},文件索引创建失败，不能单帧播放",
                     "{},单帧播放失败，错误码：{}", Mavro_OneByOne);
}

bool VideoManager::SetVideoOnebyOneBack(long& port)
{
    return FrameStep(port, "VideoManager::SetVideoOnebyOneBack", "{},文件索引创建失败，不能单帧回退",
                     "{},单帧回退失败，错误码：{}", Mavro_OneByOneBack);
}

bool VideoManager::SetCurPlayTime(long& port, int milliseconds)
{
    constexpr const char* method = "VideoManager::SetCurPlayTime";
    if (!PortValid(port, method))
        return false;
    return Mavro_SetPlayedTimeEx(port, static_cast<unsigned int>(qMax(0, milliseconds))) ||
           Failed(port, method, "{},设置当前播放位置失败，错误码：{}");
}

bool VideoManager::SetCurPlayPos(long& port, float position)
{
    constexpr const char* method = "VideoManager::SetCurPlayPos";
    if (!PortValid(port, method))
        return false;
    if (position < 0.0f || position > 1.0f) {
        Log()->error("{},输入播放位置无效", method);
        return false;
    }
    return Mavro_SetPlayPos(port, position) || Failed(port, method, "{},设置当前播放位置失败，错误码：{}");
}

float VideoManager::GetCurPlayPos(long& port)
{
    if (!PortValid(port, "VideoManager::GetCurPlayPos"))
        return 0.0f;
    return Mavro_GetPlayPos(port);
}

void VideoManager::SetFileEndCallback(long& port, QObject* receiver)
{
    if (!Mavro_SetFileEndCallback(port, FileEndCallback, receiver))
        Log()->error("{},设置文件接收回调失败", "VideoManager::SetFileEndCallback");
}

bool VideoManager::OpenVideoSound(long& port)
{
    constexpr const char* method = "VideoManager::OpenVideoSound";
    if (!PortValid(port, method))
        return false;
    return Mavro_PlaySoundShare(port) || Failed(port, method, "{}打开声音失败，错误码：{}");
}

bool VideoManager::CloseVideoSound(long& port)
{
    constexpr const char* method = "VideoManager::CloseVideoSound";
    if (!PortValid(port, method))
        return false;
    return Mavro_StopSoundShare(port) || Failed(port, method, "{},关闭声音失败，错误码：{}");
}

bool VideoManager::HasVideoFile(long& port) const
{
    return !filePaths.value(port).isEmpty();
}

QString VideoManager::GetVideoFile(long& port) const
{
    return filePaths.value(port);
}

int VideoManager::GetFileTime(long& port)
{
    return static_cast<int>(Mavro_GetFileTime(port));
}

int VideoManager::GetPlayedTime(long& port)
{
    return Mavro_GetPlayedTime(port);
}

int VideoManager::GetLeftTime(long& port)
{
    const int played = Mavro_GetPlayedTime(port);
    const int length = static_cast<int>(Mavro_GetFileTime(port));
    return played == -1 ? length : length - played;
}

int VideoManager::GetTotalFrames(long& port)
{
    return static_cast<int>(Mavro_GetFileTotalFrames(port));
}

int VideoManager::GetPlayedTimeMs(long& port)
{
    return Mavro_GetPlayedTimeEx(port);
}

int VideoManager::GetCurFrameNum(long& port)
{
    return static_cast<int>(Mavro_GetCurrentFrameNum(port));
}

bool VideoManager::IsIndexReady(long port)
{
    QMutexLocker lock(&IndexReady().mutex);
    return IndexReady().ports.contains(port);
}
