#ifndef ZMR_ZMR_MUTEX_H
#define ZMR_ZMR_MUTEX_H

#include <mutex>

namespace zmr {

// The lock of the singletons and counted references; usable with
// std::lock_guard. Recursive so that a singleton's constructor may reach
// another singleton guarded by the same kind of lock.
class zmr_mutex
{
public:
    zmr_mutex() = default;
    zmr_mutex(const zmr_mutex&) = delete;
    zmr_mutex& operator=(const zmr_mutex&) = delete;

    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

} // namespace zmr

#endif
