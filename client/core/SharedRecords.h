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
// copy them across threads. Call once at start, before any connection is made;
// calling it again does no harm.
void RegisterSharedRecordTypes();
