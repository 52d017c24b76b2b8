#ifndef PELLMAR_SINGLETON_H
#define PELLMAR_SINGLETON_H

#include <atomic>
#include <mutex>
#include <new>

#include "zmr_mutex.h"

// A lazily created process-wide instance of T, made once under the type's
// own lock. destroy() deletes it; a later instance() makes a new one, so the
// library can be initialised again after it was finished.
template <typename T>
class singleton
{
public:
    // Null only when T could not be allocated.
    static T* instance()
    {
        T* current = s_instance.load(std::memory_order_acquire);
        if (current)
            return current;
        std::lock_guard<zmr::zmr_mutex> lock(s_mutex);
        current = s_instance.load(std::memory_order_relaxed);
        if (!current) {
            current = new (std::nothrow) T();
            s_destroyed = false;
            s_instance.store(current, std::memory_order_release);
        }
        return current;
    }

    // Callers must make sure nobody still uses the instance.
    static void destroy()
    {
        s_destroyed = true;
        std::lock_guard<zmr::zmr_mutex> lock(s_mutex);
        delete s_instance.exchange(nullptr, std::memory_order_acq_rel);
    }

    static bool exists() { return s_instance.load(std::memory_order_acquire) != nullptr; }
    static bool destroyed() { return s_destroyed; }

private:
    static inline std::atomic<T*> s_instance{nullptr};
    static inline zmr::zmr_mutex s_mutex;
    static inline std::atomic<bool> s_destroyed{false};
};

#endif
