#pragma once
// One library session for a test: created at construction, destroyed with
// the object (which also stops it).
#include "Pellmar.h"

class SessionHandle
{
public:
    SessionHandle() : m_handle(Pellmar_CreateSession()) { }
    ~SessionHandle()
    {
        if (m_handle > 0)
            Pellmar_DestroySession(m_handle);
    }
    SessionHandle(const SessionHandle&) = delete;
    SessionHandle& operator=(const SessionHandle&) = delete;

    operator int() const { return m_handle; }

private:
    int m_handle;
};
