#include "SearchWorkers.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>

struct SearchWorkers::State
{
    std::mutex mutex;
    std::condition_variable changed;    // a worker returned, a hand-back ran, or cancel
    std::atomic<bool> cancelled{false}; // written under the mutex, so waits see it
    int running = 0;
    std::array<std::atomic<quint64>, 3> latest{};
};

namespace {

std::size_t TabOf(em_SearchType kind)
{
    return static_cast<std::size_t>(kind) < 3 ? static_cast<std::size_t>(kind) : 0;
}

} // namespace

SearchWorkers::SearchWorkers() : state(std::make_shared<State>())
{
}

SearchWorkers::~SearchWorkers()
{
    Cancel();
}

quint64 SearchWorkers::Begin(em_SearchType kind)
{
    return ++state->latest[TabOf(kind)];
}

bool SearchWorkers::IsLatest(em_SearchType kind, quint64 sequence) const
{
    return state->latest[TabOf(kind)].load() == sequence;
}

bool SearchWorkers::IsCancelled() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->cancelled;
}

int SearchWorkers::Running() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->running;
}

void SearchWorkers::Start(std::function<void()> work)
{
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->cancelled)
            return;
        ++state->running;
    }
    QtConcurrent::run(QThreadPool::globalInstance(), [shared = state, work = std::move(work)] {
        if (!shared->cancelled)
            work();
        std::lock_guard<std::mutex> lock(shared->mutex);
        --shared->running;
        shared->changed.notify_all();
    });
}

bool SearchWorkers::HandBack(QObject* receiver, std::function<void()> show)
{
    // Waiting for the receiver's own thread would never end.
    Q_ASSERT(receiver->thread() != QThread::currentThread());
    auto ran = std::make_shared<bool>(false); // under the state's mutex
    QMetaObject::invokeMethod(
        receiver,
        [shared = state, ran, show = std::move(show)] {
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (shared->cancelled)
                    return;
            }
            show();
            std::lock_guard<std::mutex> lock(shared->mutex);
            *ran = true;
            shared->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(state->mutex);
    state->changed.wait(lock, [&] { return *ran || state->cancelled; });
    return *ran;
}

void SearchWorkers::Cancel()
{
    std::unique_lock<std::mutex> lock(state->mutex);
    state->cancelled = true;
    state->changed.notify_all();
    state->changed.wait(lock, [&] { return state->running == 0; });
}
