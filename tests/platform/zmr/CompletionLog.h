#ifndef COMPLETIONLOG_H
#define COMPLETIONLOG_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// Records completions so tests can wait for them and check that each
// operation completed exactly once, with which result, in which order.
class CompletionLog
{
public:
    struct Operation
    {
        CompletionLog* log = nullptr;
        int id = 0;
        int completions = 0;
        int32_t result = -1;
        uint32_t bytes = 0;
    };

    // A new operation context; the log keeps it alive.
    Operation* operation(int id = 0)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_operations.push_back(Operation{this, id});
        return &m_operations.back();
    }

    static void callback(int32_t result, uint32_t bytes, void* context)
    {
        auto* operation = static_cast<Operation*>(context);
        operation->log->record(*operation, result, bytes);
    }

    bool waitForCount(size_t count, std::chrono::seconds timeout = std::chrono::seconds(30))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_order.size() >= count; });
    }

    size_t count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_order.size();
    }

    std::vector<int> order()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_order;
    }

    // The thread each completion ran on, in completion order.
    std::vector<std::thread::id> threads()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }

private:
    void record(Operation& operation, int32_t result, uint32_t bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++operation.completions;
        operation.result = result;
        operation.bytes = bytes;
        m_order.push_back(operation.id);
        m_threads.push_back(std::this_thread::get_id());
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Operation> m_operations; // stable addresses
    std::vector<int> m_order;
    std::vector<std::thread::id> m_threads;
};

#endif
