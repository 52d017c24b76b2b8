#pragma once

#include <boost/thread/thread.hpp>

#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <string>

// Every worker thread the main window starts (login passes, the cleaning
// worker), kept until it is joined: a new pass never leaves an older one
// running detached, and shutdown interrupts and joins them all.
class WorkerThreads
{
public:
    WorkerThreads() = default;
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;
    // Interrupts and joins whatever is still running.
    ~WorkerThreads();

    // Starts `body` on a new thread named `name` (for the logs). Throws
    // boost::thread_resource_error when no thread can be made.
    void Start(const std::string& name, std::function<void()> body);

    void InterruptAll();
    // Joins every thread, calling `whileWaiting` between short waits: the
    // workers may be blocked handing something to the caller's thread, which
    // must keep serving them until they end. True when all ended in time.
    bool JoinAll(std::chrono::milliseconds timeout, const std::function<void()>& whileWaiting);
    // Threads started and not yet joined.
    int Count() const;

private:
    struct Worker
    {
        std::string name;
        boost::thread thread;
    };
    void ForgetFinished();

    mutable std::mutex mutex;
    std::list<Worker> workers;
};
