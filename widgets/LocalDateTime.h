#pragma once

#include <QDateTime>

namespace LocalDateTime {
// The local date-time of `date` at `time`. Where the clocks skip that time (a
// change at midnight makes 00:00:00 of that day not exist) it is the first
// moment after the gap instead of an invalid value. Invalid when either part is.
QDateTime at(const QDate& date, const QTime& time);
} // namespace LocalDateTime
