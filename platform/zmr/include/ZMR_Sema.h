#ifndef ZMR_SEMA_H
#define ZMR_SEMA_H

#include <condition_variable>
#include <mutex>

#include "zmr_export.h"

// Counting semaphore with a timed wait on the monotonic clock.
class ZMR_API ZMR_Sema
{
public:
    ZMR_Sema(unsigned int initial, unsigned int maximum);
    ZMR_Sema(const ZMR_Sema&) = delete;
    ZMR_Sema& operator=(const ZMR_Sema&) = delete;

    // 0 on success; non-zero when the count is already at its maximum.
    int Post();
    // 0 after taking a post; non-zero when `milliseconds` passed first.
    int TimedWait(unsigned int milliseconds);
    int Wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    unsigned int m_count;
    const unsigned int m_maximum;
};

#endif
