#ifndef ZMR_ASYNCQUEUE_H
#define ZMR_ASYNCQUEUE_H

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>

#include <thread>
#include <vector>

namespace zmr::detail {

// A completion queue: one io_context run by a fixed set of threads. The work
// guard keeps the threads waiting while the queue has nothing to do.
class AsyncQueue
{
public:
    explicit AsyncQueue(int threads);
    ~AsyncQueue();
    AsyncQueue(const AsyncQueue &) = delete;
    AsyncQueue &operator=(const AsyncQueue &) = delete;

    boost::asio::io_context &context() { return m_context; }
    bool runsOnCurrentThread() const;
    // Lets the threads finish every queued and pending completion, then joins
    // them. Nothing may be started on the queue afterwards.
    void drainAndJoin();

private:
    boost::asio::io_context m_context;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_work;
    std::vector<std::thread> m_threads;
};

} // namespace zmr::detail

#endif
