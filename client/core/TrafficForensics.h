#pragma once

#include <QMetaType>
#include <QString>

// One violation (forensics alarm), a row of the ForensicsInfo table.
struct TrafficForensics
{
    qint32 rowNo = 0;          // 1-based position in a search result; 0 for a live alarm
    QString time;              // "yyyyMMddHHmmss"
    quint32 violationType = 0; // a ViolationType code
    QString deviceIp;
    QString channelIp;
    quint32 channelNo = 0;
    quint32 laneNo = 0;
    QString plateNo;
    QString picPath;
};

Q_DECLARE_METATYPE(TrafficForensics)
