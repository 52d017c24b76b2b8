#pragma once

#include "Vendaro.h"

#include <mutex>

namespace vendaro {

// A port's registered callbacks. They are read under the lock and called
// after it is released, so a callback may call back into the layer.
class PortCallbacks
{
public:
    explicit PortCallbacks(long port)
        : m_port(port)
    {
    }

    void setFileEnd(MAVRO_FILE_END_CALLBACK callback, void* user)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fileEnd = callback;
        m_fileEndUser = user;
    }

    void setFileIndex(MAVRO_FILE_REF_CALLBACK callback, void* user)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fileIndex = callback;
        m_fileIndexUser = user;
    }

    void fileEnded() const
    {
        MAVRO_FILE_END_CALLBACK callback;
        void* user;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            callback = m_fileEnd;
            user = m_fileEndUser;
        }
        if (callback)
            callback(m_port, user);
    }

    void fileIndexed() const
    {
        MAVRO_FILE_REF_CALLBACK callback;
        void* user;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            callback = m_fileIndex;
            user = m_fileIndexUser;
        }
        if (callback)
            callback(m_port, user);
    }

private:
    const long m_port;
    mutable std::mutex m_mutex;
    MAVRO_FILE_END_CALLBACK m_fileEnd = nullptr;
    void* m_fileEndUser = nullptr;
    MAVRO_FILE_REF_CALLBACK m_fileIndex = nullptr;
    void* m_fileIndexUser = nullptr;
};

} // namespace vendaro
