#pragma once

#include <QMetaType>
#include <QString>

// Traffic parameters of one lane over one measuring period, a row of the
// TrafficParamInfo table. A traffic-parameter alarm yields one per lane.
struct TrafficParam
{
    qint32 rowNo = 0;  // 1-based position in a search result; 0 for a live alarm
    QString startTime; // "yyyyMMddHHmmss"
    QString endTime;   // "yyyyMMddHHmmss"
    QString deviceIp;
    QString channelIp;
    qint32 channelNo = 0;
    qint32 laneCount = 0; // lanes in the originating alarm; not stored
    qint32 laneNo = 0;
    qint32 laneFlow = 0;
    qint32 lightVehicleNum = 0;
    qint32 midVehicleNum = 0;
    qint32 heavyVehicleNum = 0;
    qint32 laneSpeed = 0;
    qint32 spaceHeadWay = 0;
    qint32 timeHeadWay = 0;
    float timeRation = 0.0f;  // time occupancy ratio
    float spaceRation = 0.0f; // space occupancy ratio
    qint32 queueLength = 0;
    qint32 trafficState = 0; // a TrafficState code
};

Q_DECLARE_METATYPE(TrafficParam)
