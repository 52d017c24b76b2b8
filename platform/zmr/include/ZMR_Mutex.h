#ifndef ZMR_MUTEX_H
#define ZMR_MUTEX_H

#include <mutex>

#include "zmr_export.h"

// Recursive, because a session's operations nest (a request holds the session
// lock and calls helpers that take it again).
class ZMR_API ZMR_Mutex
{
public:
    ZMR_Mutex() = default;
    ZMR_Mutex(const ZMR_Mutex&) = delete;
    ZMR_Mutex& operator=(const ZMR_Mutex&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    bool TryLock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

#endif
