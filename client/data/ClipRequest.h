#pragma once

#include <QDateTime>
#include <QString>

// An incident clip still to be fetched from its device: kept with the incident
// row until the clip is on disk, so that a close, a dropped device or a new
// login does not lose it. `file` names the clip and the incident row it belongs to.
struct ClipRequest
{
    QString file;
    QString deviceIp;
    int devicePort = 0;
    int channel = 0;
    QDateTime start;
    QDateTime end;

    bool IsValid() const { return !file.isEmpty() && start.isValid() && end.isValid(); }
};
