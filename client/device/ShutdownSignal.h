#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A one-way switch that ends long waits early: the clip jobs sleep on it for
// minutes, and shutdown must not wait for those minutes to pass.
class ShutdownSignal
{
public:
    // Sleeps for `duration` unless the signal is or becomes raised; true when
    // the whole duration passed, false when the wait was cut short.
    bool SleepFor(std::chrono::milliseconds duration);
    void Raise();
    bool IsRaised() const;

private:
    mutable std::mutex mutex;
    std::condition_variable raised;
    bool isRaised = false;
};
