#include "LocalDateTime.h"

namespace LocalDateTime {

QDateTime at(const QDate& date, const QTime& time)
{
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    const QDateTime exact(date, time);
    if (exact.isValid())
        return exact;
    // Gaps are whole minutes and shorter than a day.
    for (QTime later = time.addSecs(60 - time.second()); later > time; later = later.addSecs(60)) {
        const QDateTime candidate(date, later);
        if (candidate.isValid())
            return candidate;
    }
    return QDateTime();
}

} // namespace LocalDateTime
