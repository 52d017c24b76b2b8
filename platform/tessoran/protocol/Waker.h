#pragma once
// An eventfd that wakes threads blocked in Socket waits: signalled once it stays
// readable until cleared, so a stop request is never missed.

namespace tessoran::wire {

class Waker
{
public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    void signal();
    void clear();
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace tessoran::wire
