#pragma once

#include "core/SharedRecords.h"

#include <QtGlobal>

// One run of the search worker: a page of one tab's search.
struct SearchRequest
{
    em_SearchType kind = SEARCH_INCIDENT;
    int offset = 0;       // row offset of the page (0, 30, 60, ...)
    bool first = false;   // started by a search button, not by a page step
    quint64 sequence = 0; // the tab's search this page belongs to
    // Rows the search selects, when its first page counted them already; -1: count
    // now. A page step reuses the first page's count, the expensive half of a search.
    int knownTotal = -1;
    stu_SearchCondition condition;
};
