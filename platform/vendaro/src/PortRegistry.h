#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace vendaro {

class PlayerPort;

// The pool of ports. A freed port's number is handed out again only after
// its threads have stopped, so a late callback can never carry a number that
// already belongs to someone else.
class PortRegistry
{
public:
    static constexpr unsigned int kDefaultPoolSize = 64;
    static constexpr unsigned int kMaximumPoolSize = 1024;

    static PortRegistry& instance();
    ~PortRegistry();

    bool setPoolSize(unsigned int count);
    // -1 when every port is taken.
    long acquire();
    bool release(long port);
    std::shared_ptr<PlayerPort> find(long port) const;

private:
    PortRegistry();

    enum class Slot { Free, Taken, Freeing };

    mutable std::mutex m_mutex;
    unsigned int m_poolSize = kDefaultPoolSize;
    std::vector<std::shared_ptr<PlayerPort>> m_ports;
    std::vector<Slot> m_slots;
};

} // namespace vendaro
