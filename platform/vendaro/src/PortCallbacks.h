#pragma once

#include "Vendaro.h"

#include <mutex>

namespace vendaro {

// A port's registered callbacks. They are read under the lock and called
// after it is released, so a callback may call back into the layer.
class PortCallbacks
{
public:
    enum Event { FileEnded, FileIndexed, EventCount };
    using Callback = void (*)(long port, void* user); // both callback types of the header

    explicit PortCallbacks(long port) : m_port(port) { }

    void set(Event event, Callback callback, void* user)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_registrations[event] = Registration{callback, user};
    }

    void notify(Event event) const
    {
        Registration registration;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            registration = m_registrations[event];
        }
        if (registration.callback)
            registration.callback(m_port, registration.user);
    }

private:
    struct Registration
    {
        Callback callback = nullptr;
        void* user = nullptr;
    };

    const long m_port;
    mutable std::mutex m_mutex;
    Registration m_registrations[EventCount];
};

} // namespace vendaro
