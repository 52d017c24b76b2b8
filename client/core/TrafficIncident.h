#pragma once

#include <QMetaType>
#include <QString>

// One traffic incident, built from a device's incident alarm or read back
// from the incidentInfo table. Fields marked "not stored" come only with a
// live alarm and stay zero or empty in records read from the database.
struct TrafficIncident
{
    qint32 rowNo = 0;    // 1-based position in a search result; 0 for a live alarm
    quint32 absTime = 0; // packed device time (see DeviceTime.h); not stored
    QString time;        // "yyyyMMddHHmmss"
    QString deviceIp;
    qint32 devicePort = 0; // with deviceIp, finds the logged-in device for clip download; not stored
    QString channelIp;
    quint32 channelNo = 0;
    quint32 extNo = 0;        // carried along from the alarm; not stored
    QString extText;          // carried along from the alarm; not stored
    quint32 incidentType = 0; // an IncidentType code
    quint32 laneNo = 0;
    qint32 extValue = 0; // carried along from the alarm; not stored
    qint32 extCode = 0;  // carried along from the alarm; not stored
    QString picPath;
    QString videoPath;
};

Q_DECLARE_METATYPE(TrafficIncident)
