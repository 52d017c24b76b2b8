#pragma once
// Accepted connections served by a thread each: finished ones are joined as new
// ones come, and at the end all are cut and joined.

#include "Socket.h"

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessoran::wire {

class ConnectionThreads
{
public:
    struct Connection
    {
        Socket socket;
        std::string peer;
    };
    using Serve = std::function<void(Connection&)>;

    ~ConnectionThreads() { joinAll(); }

    // Runs serve on a thread of its own; the socket is shut down when it returns.
    void start(Socket socket, Serve serve);
    // Joins the threads whose connections ended.
    void reap();
    // Ends every connection's reads and writes, so their threads finish.
    void shutdownAll();
    void joinAll();

private:
    struct Entry
    {
        Connection connection;
        std::thread thread;
        std::atomic<bool> finished{false};
    };
    std::mutex mutex_;
    std::list<std::unique_ptr<Entry>> entries_;
};

} // namespace tessoran::wire
