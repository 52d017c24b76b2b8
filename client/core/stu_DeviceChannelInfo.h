#pragma once

#include <QMetaType>
#include <QString>

// One IP channel (camera) of a device: a row of the ChannelInfo table.
struct stu_DeviceChannelInfo
{
    QString deviceIp;
    QString channelIp;
    qint32 channelPort = 0;
    QString userName;
    QString password;
    qint32 channelNo = 0;
};

Q_DECLARE_METATYPE(stu_DeviceChannelInfo)
