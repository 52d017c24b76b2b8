#ifndef PELLMAR_SHARED_OBJECT_H
#define PELLMAR_SHARED_OBJECT_H

#include <cstdint>

#include "zmr.h"

// Base of objects held through shared_ref: the count changes only with
// interlocked operations, and whichever holder brings it to 0 deletes the
// object, exactly once.
class shared_object
{
public:
    shared_object() = default;
    shared_object(const shared_object&) = delete;
    shared_object& operator=(const shared_object&) = delete;
    virtual ~shared_object() = default;

    void add_ref() { ZMR_AtomicInc(&m_refCount); }
    void release()
    {
        if (ZMR_AtomicDec(&m_refCount) == 0 && __atomic_exchange_n(&m_deleted, 1, __ATOMIC_ACQ_REL) == 0)
            delete this;
    }
    int32_t ref_count() const { return __atomic_load_n(&m_refCount, __ATOMIC_ACQUIRE); }

private:
    volatile int32_t m_refCount = 0;
    uint8_t m_deleted = 0;
};

#endif
