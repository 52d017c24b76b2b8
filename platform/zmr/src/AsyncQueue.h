#ifndef ZMR_ASYNCQUEUE_H
#define ZMR_ASYNCQUEUE_H

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace zmr::detail {

// A completion queue: a fixed set of threads, each running an io_context of
// its own. A socket is tied to one of them when it is bound, so its
// completions run on the thread that waited for them: no hand-off between
// threads for each operation (with one context shared by all threads, every
// completion woke another thread to take over the waiting). Sockets are
// spread over the threads in turn. The work guards keep the threads waiting
// while the queue has nothing to do.
class AsyncQueue
{
public:
    explicit AsyncQueue(int threads);
    ~AsyncQueue();
    AsyncQueue(const AsyncQueue&) = delete;
    AsyncQueue& operator=(const AsyncQueue&) = delete;

    // The context of the next socket or posted completion, in turn.
    boost::asio::io_context& nextContext();
    bool runsOnCurrentThread() const;
    // Lets the threads finish every queued and pending completion, then joins
    // them. Nothing may be started on the queue afterwards.
    void drainAndJoin();

private:
    struct Lane
    {
        // One thread runs it: asio need not hand completions to others.
        boost::asio::io_context context{1};
        boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work{
            boost::asio::make_work_guard(context)};
        std::thread thread;
    };

    std::vector<std::unique_ptr<Lane>> m_lanes;
    std::atomic<unsigned int> m_next{0};
};

} // namespace zmr::detail

#endif
