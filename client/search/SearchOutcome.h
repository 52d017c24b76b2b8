#pragma once

#include "core/SharedRecords.h"

#include <QList>

// What the search worker hands back to the search page.
struct SearchOutcome
{
    enum Status {
        Rows,        // the page below
        Empty,       // the condition selects no row
        CountFailed, // the rows could not be counted
        FetchFailed, // counted, but the page could not be read
        NoDatabase,  // no back end to search in
    };

    Status status = NoDatabase;
    int total = 0;         // rows the condition selects
    qint64 rowIdBound = 0; // the highest row id counted; the search's pages keep to it
    int pages = 1;
    // The rows of the page, in the list of the request's kind.
    QList<TrafficIncident> incidents;
    QList<TrafficForensics> forensics;
    QList<TrafficParam> trafficParams;
};
