#pragma once
// Polls a condition until it holds or the timeout passes. Tests give
// generous timeouts: CI machines are slow and loaded.
#include <chrono>
#include <functional>
#include <thread>

inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20),
                      std::chrono::milliseconds step = std::chrono::milliseconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::sleep_for(step);
    }
    return true;
}
