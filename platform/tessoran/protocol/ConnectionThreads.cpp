#include "ConnectionThreads.h"

namespace tessoran::wire {

void ConnectionThreads::start(Socket socket, Serve serve)
{
    auto entry = std::make_unique<Entry>();
    entry->connection.peer = socket.peerAddress();
    entry->connection.socket = std::move(socket);
    Entry& ref = *entry;
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
    ref.thread = std::thread([&ref, serve = std::move(serve)] {
        serve(ref.connection);
        ref.connection.socket.shutdown();
        ref.finished = true;
    });
}

void ConnectionThreads::reap()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

void ConnectionThreads::shutdownAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : entries_)
        entry->connection.socket.shutdown();
}

void ConnectionThreads::joinAll()
{
    std::list<std::unique_ptr<Entry>> entries;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entries.swap(entries_);
    }
    for (auto& entry : entries)
        entry->thread.join();
}

} // namespace tessoran::wire
