#pragma once

#include <sys/types.h>

// What a crashing thread hands to the dump thread. Filled on the crashing
// thread (inside a signal handler, so no allocation), read by the dump thread.
struct CrashContext
{
    static constexpr int kMaxFrames = 64;

    int signal = 0;                // 0 for a dump requested without a signal
    int code = 0;                  // siginfo's si_code
    const void* address = nullptr; // faulting address
    const void* programCounter = nullptr;
    pid_t threadId = 0; // kernel id of the crashing thread
    int frameCount = 0;
    void* frames[kMaxFrames] = {};
};
