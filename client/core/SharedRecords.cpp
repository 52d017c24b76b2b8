#include "SharedRecords.h"

void RegisterSharedRecordTypes()
{
    qRegisterMetaType<stu_DeviceInfo>("stu_DeviceInfo");
    qRegisterMetaType<stu_DeviceChannelInfo>("stu_DeviceChannelInfo");
    qRegisterMetaType<TrafficIncident>("TrafficIncident");
    qRegisterMetaType<TrafficForensics>("TrafficForensics");
    qRegisterMetaType<TrafficParam>("TrafficParam");
    qRegisterMetaType<stu_SearchCondition>("stu_SearchCondition");
    qRegisterMetaType<em_SearchType>("em_SearchType");
    qRegisterMetaType<QList<stu_DeviceInfo>>("QList<stu_DeviceInfo>");
    qRegisterMetaType<QList<stu_DeviceChannelInfo>>("QList<stu_DeviceChannelInfo>");
    qRegisterMetaType<QList<TrafficIncident>>("QList<TrafficIncident>");
    qRegisterMetaType<QList<TrafficForensics>>("QList<TrafficForensics>");
    qRegisterMetaType<QList<TrafficParam>>("QList<TrafficParam>");
}
