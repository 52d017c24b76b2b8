#pragma once

#include <QMetaType>
#include <QString>

// One stored device: a row of the DeviceInfo table and the login data for it.
struct stu_DeviceInfo
{
    QString deviceName;
    QString deviceIp; // dotted IPv4; identifies the device's rows in DeviceInfo and ChannelInfo
    qint32 devicePort = 0;
    QString userName;
    QString password; // kept and stored as plain text, as the devices expect it
};

Q_DECLARE_METATYPE(stu_DeviceInfo)
