#pragma once

#include <thread>

namespace tessoran {

// Joins a worker, or lets it go when the caller is that worker (a stop call made
// from inside one of its callbacks): the worker owns a reference to its object
// and ends by itself as soon as the callback returns.
inline void joinOrRelease(std::thread& worker)
{
    if (!worker.joinable())
        return;
    if (worker.get_id() == std::this_thread::get_id())
        worker.detach();
    else
        worker.join();
}

} // namespace tessoran
