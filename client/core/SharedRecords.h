#pragma once

// The value records that travel between the device link, the database layer,
// the alarm handling and the views.
#include "em_SearchType.h"
#include "stu_DeviceChannelInfo.h"
#include "stu_DeviceInfo.h"
#include "stu_SearchCondition.h"
#include "TrafficForensics.h"
#include "TrafficIncident.h"
#include "TrafficParam.h"

// Registers the records and their lists (Qt declares QList<T> by itself) with
// the meta-type system under the names signal signatures use
// ("TrafficIncident", "QList<TrafficParam>", ...), so queued connections can
// copy them across threads. Idempotent; it also runs by itself when a
// QCoreApplication is created in a program that links this file.
void RegisterSharedRecordTypes();
