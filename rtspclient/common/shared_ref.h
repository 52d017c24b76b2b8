#ifndef PELLMAR_SHARED_REF_H
#define PELLMAR_SHARED_REF_H

#include <mutex>
#include <utility>

#include "zmr_mutex.h"

// A counted reference to a shared_object. The reference's own lock
// serialises copying from and assigning to the same reference; the object's
// count is interlocked, so references to one object live on any threads.
template <typename T>
class shared_ref
{
public:
    shared_ref() = default;
    explicit shared_ref(T* object) : m_object(object)
    {
        if (m_object)
            m_object->add_ref();
    }
    shared_ref(const shared_ref& other) : m_object(other.acquire()) { }
    ~shared_ref() { reset(); }

    shared_ref& operator=(const shared_ref& other)
    {
        if (this == &other || other.get() == get())
            return *this;
        T* incoming = other.acquire();
        swapIn(incoming);
        return *this;
    }

    shared_ref& operator=(T* object)
    {
        if (object)
            object->add_ref();
        swapIn(object);
        return *this;
    }

    void reset() { swapIn(nullptr); }

    T* get() const
    {
        std::lock_guard<zmr::zmr_mutex> lock(m_mutex);
        return m_object;
    }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    // The pointer with one more count on it, taken under this reference's lock.
    T* acquire() const
    {
        std::lock_guard<zmr::zmr_mutex> lock(m_mutex);
        if (m_object)
            m_object->add_ref();
        return m_object;
    }

    // Takes over one count on `incoming` and drops the count of the old object.
    // Assigning the object already held leaves its count unchanged overall.
    void swapIn(T* incoming)
    {
        T* old = nullptr;
        {
            std::lock_guard<zmr::zmr_mutex> lock(m_mutex);
            old = std::exchange(m_object, incoming);
        }
        if (old)
            old->release();
    }

    T* m_object = nullptr;
    mutable zmr::zmr_mutex m_mutex;
};

#endif
