#ifndef ZMR_GUARD_H
#define ZMR_GUARD_H

#include "ZMR_Mutex.h"

// Holds a ZMR_Mutex for a scope; Release() hands it back early.
class ZMR_Guard
{
public:
    explicit ZMR_Guard(ZMR_Mutex& mutex) : m_mutex(&mutex) { m_mutex->Lock(); }
    ~ZMR_Guard() { Release(); }
    ZMR_Guard(const ZMR_Guard&) = delete;
    ZMR_Guard& operator=(const ZMR_Guard&) = delete;

    void Release()
    {
        if (m_mutex) {
            m_mutex->Unlock();
            m_mutex = nullptr;
        }
    }

private:
    ZMR_Mutex* m_mutex;
};

#endif
