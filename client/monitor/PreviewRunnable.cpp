#include "PreviewRunnable.h"

#include "RequstRunables.h"

#include "core/Logging.h"
#include "core/SanitizerHandOver.h"
#include "device/DeviceManager.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>
#include <new>

namespace {

std::mutex pendingMutex;
std::condition_variable pendingChanged;
int pendingStarts = 0;

} // namespace

PreviewRunnable::PreviewRunnable(KvorPlayWindow* target, const stu_DeviceChannelInfo& what, WId wnd, int type,
                                 Done onDone)
    : pane(target), channel(what), window(wnd), streamType(type), done(std::move(onDone)),
      ticket(target->BeginRealPlay(what))
{
    const std::lock_guard<std::mutex> lock(pendingMutex);
    ++pendingStarts;
}

PreviewRunnable::~PreviewRunnable()
{
    const std::lock_guard<std::mutex> lock(pendingMutex);
    --pendingStarts;
    pendingChanged.notify_all();
}

void PreviewRunnable::run()
{
    TakeHandOver(this);
    const KvorPlayWindow::RealPlayResult result = KvorPlayWindow::OpenRealPlay(channel, window, streamType);
    if (!result.ok)
        LoggerFor("PreviewRunnable")->error("{}, 通道{}，预览失败", "PreviewRunnable::run", channel.channelIp);
    // The pane is looked at on the GUI thread only, where it may have gone
    // meanwhile: then the play that nobody shows is stopped at once.
    const QPointer<KvorPlayWindow> target = pane;
    const quint64 start = ticket;
    Done onDone = done;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [target, start, result, onDone] {
            if (!target) {
                if (result.handle != -1)
                    DeviceManager::StopRealPlay(result.handle);
                return;
            }
            const bool current = target->IsCurrentStart(start);
            const bool taken = target->FinishRealPlay(start, result);
            if (onDone && current)
                onDone(taken);
        },
        Qt::QueuedConnection);
}

void RequstRunables::RequestPreview(KvorPlayWindow* pane, const stu_DeviceChannelInfo& channel, int streamType,
                                    PreviewRunnable::Done done)
{
    const WId window = pane->GetPlayWndId();
    auto* runnable = new (std::nothrow) PreviewRunnable(pane, channel, window, streamType, std::move(done));
    if (!runnable) {
        LoggerFor("RequstRunables")->error("{}, new PreviewRunnable failed", "RequstRunables::RequestPreview");
        return;
    }
    AnnounceHandOver(runnable);
    QThreadPool::globalInstance()->start(runnable, 0);
}

void RequstRunables::WaitForPreviews()
{
    std::unique_lock<std::mutex> lock(pendingMutex);
    pendingChanged.wait(lock, [] { return pendingStarts == 0; });
}

int RequstRunables::PendingPreviews()
{
    const std::lock_guard<std::mutex> lock(pendingMutex);
    return pendingStarts;
}
