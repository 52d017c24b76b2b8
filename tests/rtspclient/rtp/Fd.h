#pragma once
// An owned socket descriptor for the loopback peers of the transport tests.
#include <poll.h>
#include <unistd.h>

namespace loopback {

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) { }
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : m_fd(other.Release()) { }
    Fd& operator=(Fd&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Whether `fd` has something to read within the timeout.
inline bool Readable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) == 1;
}

} // namespace loopback
