#include "ClipTiming.h"

qint64 ClipWaitSeconds(const QDateTime& end, const QDateTime& now, std::chrono::seconds storeDelay)
{
    const qint64 delay = storeDelay.count();
    const qint64 sinceEnd = end.secsTo(now);
    if (sinceEnd <= 0)
        return delay;
    return sinceEnd < delay ? delay - sinceEnd : 0;
}
