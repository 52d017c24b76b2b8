#pragma once
// Polls a condition until it holds or the timeout passes: the condition
// decides, never a fixed sleep. The default limit is generous, as test
// machines are slow and loaded.
#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30),
                      std::chrono::milliseconds step = std::chrono::milliseconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        // One last look at the deadline, so a condition met while sleeping counts.
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::sleep_for(step);
    }
    return true;
}

} // namespace testsupport
