#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

// Starts the clip jobs when their recordings are stored on the device. One
// thread keeps every wait, so the clip pool's threads only download: a burst
// of recent incidents does not hold them for minutes, and downloads of other
// devices, whose waits are over, run beside each other meanwhile.
class ClipScheduler
{
public:
    using Clock = std::chrono::steady_clock;
    using Job = std::function<void()>;

    ClipScheduler() = default;
    // Stops (see Stop).
    ~ClipScheduler();

    ClipScheduler(const ClipScheduler&) = delete;
    ClipScheduler& operator=(const ClipScheduler&) = delete;

    // `start` runs on the scheduler's thread once `wait` has passed, in the
    // order of the times due; `drop` runs instead when it is stopped before.
    // False, running neither, once stopped.
    bool After(std::chrono::milliseconds wait, Job start, Job drop);
    // Waits up to `timeout` until no job waits; true when none does.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    // Drops every waiting job (on the calling thread) and ends the thread.
    void Stop();

private:
    struct Waiting
    {
        Job start;
        Job drop;
    };

    void Run();

    std::mutex mutex;
    std::condition_variable changed;
    std::multimap<Clock::time_point, Waiting> waiting;
    // A job taken off the list but still starting.
    bool starting = false;
    bool stopped = false;
    std::thread thread;
};
