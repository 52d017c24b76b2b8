#include "WorkerThreads.h"

#include "core/Logging.h"

WorkerThreads::~WorkerThreads()
{
    InterruptAll();
    JoinAll(std::chrono::hours(24), [] {});
}

void WorkerThreads::Start(const std::string& name, std::function<void()> body)
{
    boost::thread thread(std::move(body));
    std::lock_guard<std::mutex> lock(mutex);
    ForgetFinished();
    workers.push_back({name, std::move(thread)});
}

void WorkerThreads::ForgetFinished()
{
    // Passes end on their own; joining the finished ones keeps the list short.
    workers.remove_if([](Worker& worker) { return worker.thread.try_join_for(boost::chrono::milliseconds(0)); });
}

void WorkerThreads::InterruptAll()
{
    std::lock_guard<std::mutex> lock(mutex);
    for (Worker& worker : workers)
        worker.thread.interrupt();
}

bool WorkerThreads::JoinAll(std::chrono::milliseconds timeout, const std::function<void()>& whileWaiting)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (auto it = workers.begin(); it != workers.end();) {
                if (it->thread.try_join_for(boost::chrono::milliseconds(2))) {
                    LoggerFor("Corvane")->info("{}, {} end..", "WorkerThreads::JoinAll", it->name);
                    it = workers.erase(it);
                } else {
                    ++it;
                }
            }
            if (workers.empty())
                return true;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        whileWaiting();
    }
}

int WorkerThreads::Count() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(workers.size());
}
