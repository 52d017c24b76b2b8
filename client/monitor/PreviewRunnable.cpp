#include "PreviewRunnable.h"

#include "RequstRunables.h"

#include "core/Logging.h"
#include "device/DeviceManager.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QPointer>
#include <QThreadPool>
#include <QWaitCondition>

#include <new>

namespace {

QMutex pendingMutex;
QWaitCondition pendingChanged;
int pendingStarts = 0;

} // namespace

PreviewRunnable::PreviewRunnable(KvorPlayWindow* target, const stu_DeviceChannelInfo& what, WId wnd, int type,
                                 Done onDone)
    : pane(target), channel(what), window(wnd), streamType(type), done(std::move(onDone)),
      ticket(target->BeginRealPlay(what))
{
    QMutexLocker lock(&pendingMutex);
    ++pendingStarts;
}

PreviewRunnable::~PreviewRunnable()
{
    QMutexLocker lock(&pendingMutex);
    --pendingStarts;
    pendingChanged.wakeAll();
}

void PreviewRunnable::run()
{
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
    QThreadPool::globalInstance()->start(runnable, 0);
}

void RequstRunables::WaitForPreviews()
{
    QMutexLocker lock(&pendingMutex);
    while (pendingStarts > 0)
        pendingChanged.wait(&pendingMutex);
}

int RequstRunables::PendingPreviews()
{
    QMutexLocker lock(&pendingMutex);
    return pendingStarts;
}
