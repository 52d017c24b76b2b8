#pragma once

#include <QDateTime>

#include <chrono>

// How the clip jobs pace themselves. The defaults are the client's; tests
// shorten them.
struct ClipTiming
{
    // A device stores its recording of an instant this long after it.
    std::chrono::seconds storeDelay{120};
    // The longest pause between two looks at a download's position.
    std::chrono::milliseconds pollInterval{200};
    // A download that has not reached 100 after pollInterval * maxPolls is given up.
    int maxPolls = 3000;
};

// Seconds to wait before asking for a clip that ends at `end` when it is `now`:
// the whole store delay while the clip has not ended, what is left of it for a
// clip that ended less than the delay ago, nothing after that.
qint64 ClipWaitSeconds(const QDateTime& end, const QDateTime& now, std::chrono::seconds storeDelay);
