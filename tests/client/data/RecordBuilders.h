#pragma once

// Records as the devices' alarms fill them, for tests that store them. The
// picture path doubles as a label that tells the rows apart.

#include "core/TrafficForensics.h"
#include "core/TrafficIncident.h"
#include "core/TrafficParam.h"

#include <QString>

inline TrafficIncident MakeIncident(const QString& time, quint32 type, const QString& deviceIp,
                                    const QString& channelIp, quint32 channelNo, quint32 laneNo, const QString& label)
{
    TrafficIncident incident;
    incident.time = time;
    incident.incidentType = type;
    incident.deviceIp = deviceIp;
    incident.channelIp = channelIp;
    incident.channelNo = channelNo;
    incident.laneNo = laneNo;
    incident.picPath = label;
    incident.videoPath = label + QStringLiteral(".mp4");
    return incident;
}

inline TrafficForensics MakeViolation(const QString& time, quint32 type, const QString& deviceIp, quint32 laneNo,
                                      const QString& plate)
{
    TrafficForensics record;
    record.time = time;
    record.violationType = type;
    record.deviceIp = deviceIp;
    record.channelIp = deviceIp + QStringLiteral("1");
    record.channelNo = 1;
    record.laneNo = laneNo;
    record.plateNo = plate;
    record.picPath = plate;
    return record;
}

inline TrafficParam MakeParam(const QString& start, const QString& deviceIp, qint32 laneNo, qint32 flow)
{
    TrafficParam param;
    param.startTime = start;
    param.endTime = start;
    param.deviceIp = deviceIp;
    param.channelIp = deviceIp + QStringLiteral("1");
    param.channelNo = 2;
    param.laneNo = laneNo;
    param.laneFlow = flow;
    return param;
}
