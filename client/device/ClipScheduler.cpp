#include "ClipScheduler.h"

ClipScheduler::~ClipScheduler()
{
    Stop();
}

bool ClipScheduler::After(std::chrono::milliseconds wait, Job start, Job drop)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopped)
            return false;
        if (!thread.joinable())
            thread = std::thread([this] { Run(); });
        waiting.emplace(Clock::now() + wait, Waiting{std::move(start), std::move(drop)});
    }
    changed.notify_all();
    return true;
}

bool ClipScheduler::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [this] { return waiting.empty() && !starting; });
}

void ClipScheduler::Stop()
{
    std::multimap<Clock::time_point, Waiting> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
        dropped.swap(waiting);
    }
    changed.notify_all();
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
    for (auto& [due, job] : dropped)
        if (job.drop)
            job.drop();
}

void ClipScheduler::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopped) {
        if (waiting.empty()) {
            changed.wait(lock);
            continue;
        }
        const auto next = waiting.begin();
        const Clock::time_point due = next->first;
        if (Clock::now() < due) {
            changed.wait_until(lock, due);
            continue;
        }
        Job start = std::move(next->second.start);
        waiting.erase(next);
        starting = true;
        lock.unlock();
        start();
        lock.lock();
        starting = false;
        changed.notify_all();
    }
}
