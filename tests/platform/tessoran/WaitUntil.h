#pragma once
// Waiting on a condition in tests, with a limit generous enough for a loaded CI
// machine: the condition decides, never a fixed sleep.

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace testsupport
