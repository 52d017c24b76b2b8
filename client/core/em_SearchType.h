#pragma once

#include <QMetaType>

// The record table a search reads.
enum em_SearchType {
    SEARCH_INCIDENT = 0,      // incidentInfo, TrafficIncident
    SEARCH_FORENSICS = 1,     // ForensicsInfo, TrafficForensics
    SEARCH_TRAFFIC_PARAM = 2, // TrafficParamInfo, TrafficParam
};

Q_DECLARE_METATYPE(em_SearchType)
