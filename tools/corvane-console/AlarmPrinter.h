#pragma once

#include "tessoran.h"

#include <QString>

#include <mutex>

// Writes one line per alarm and device event to standard output. Called on the
// device SDK's threads (direct connections), so lines are written whole under a lock.
class AlarmPrinter
{
public:
    void Incident(const TSR_ALARMER* alarmer, const TSR_AID_ALARM* alarm);
    void TrafficParameters(const TSR_ALARMER* alarmer, const TSR_TPS_ALARM* alarm);
    void Violation(const TSR_ALARMER* alarmer, const TSR_TFS_ALARM* alarm);
    void DeviceState(long userId, bool online);
    // Prints `text` as one line, its control characters and backslashes
    // escaped ("\x0a", "\x1b", "\\"): device texts cannot forge lines.
    void Line(const QString& text);

    static QString Escaped(const QString& text);

private:
    std::mutex m_mutex;
};
