#include "ShutdownSignal.h"

bool ShutdownSignal::SleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(mutex);
    return !raised.wait_for(lock, duration, [this] { return isRaised; });
}

void ShutdownSignal::Raise()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        isRaised = true;
    }
    raised.notify_all();
}

bool ShutdownSignal::IsRaised() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return isRaised;
}
