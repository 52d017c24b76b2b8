#pragma once

#include <QMetaType>
#include <QString>

// One login made through DeviceManager::DeviceLogin. The password is not kept.
struct stu_LoginInfo
{
    QString deviceIp;
    int port = 0;
    QString userName;
    long lUserID = -1;
};

Q_DECLARE_METATYPE(stu_LoginInfo)
