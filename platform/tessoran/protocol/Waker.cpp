#include "Waker.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace tessoran::wire {

Waker::Waker() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (fd_ < 0)
        throw std::runtime_error("eventfd failed");
}

Waker::~Waker()
{
    close(fd_);
}

void Waker::signal()
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void Waker::clear()
{
    uint64_t value;
    [[maybe_unused]] ssize_t n = read(fd_, &value, sizeof value);
}

} // namespace tessoran::wire
