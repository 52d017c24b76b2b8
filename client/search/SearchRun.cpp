#include "SearchRun.h"

#include "SearchPaging.h"

#include "core/Logging.h"
#include "data/DatabaseOperation.h"

namespace {

constexpr const char* kMethod = "SearchFrame::SearchThreadFun";

bool FetchPage(DatabaseOperation& database, const SearchRequest& request, SearchOutcome& outcome)
{
    switch (request.kind) {
    case SEARCH_INCIDENT:
        if (database.GetIncidentInfo(request.offset, kSearchPageSize, request.condition, outcome.incidents))
            return true;
        LoggerFor("SearchFrame")->error("{}, get incidentInfo failed", kMethod);
        return false;
    case SEARCH_FORENSICS:
        if (database.GetForensicsInfo(request.offset, kSearchPageSize, request.condition, outcome.forensics))
            return true;
        LoggerFor("SearchFrame")->error("{}, get Forensics failed", kMethod);
        return false;
    case SEARCH_TRAFFIC_PARAM:
        if (database.GetTrafficParamInfo(request.offset, kSearchPageSize, request.condition, outcome.trafficParams))
            return true;
        LoggerFor("Corvane")->error("{}, get TrafficParam failed", kMethod);
        return false;
    }
    return false;
}

} // namespace

std::optional<SearchOutcome> RunSearch(DatabaseOperation& database, const SearchRequest& request,
                                       const std::function<bool()>& wanted)
{
    SearchOutcome outcome;
    if (!wanted())
        return std::nullopt;
    int total = request.knownTotal;
    SearchRequest counted = request;
    if (total < 0) {
        if (!database.GetTotalNum(request.kind, request.condition, total, &counted.condition.rowIdBound)) {
            LoggerFor("Corvane")->error("{}, get totalNum failed", kMethod);
            outcome.status = SearchOutcome::CountFailed;
            return outcome;
        }
    }
    // The first page keeps to the count's rows, as the later page steps do.
    counted.condition.counted = total;
    outcome.total = total;
    outcome.rowIdBound = counted.condition.rowIdBound;
    outcome.pages = SearchPageCount(total);
    if (total == 0) {
        outcome.status = SearchOutcome::Empty;
        return outcome;
    }
    if (!wanted())
        return std::nullopt;
    outcome.status = FetchPage(database, counted, outcome) ? SearchOutcome::Rows : SearchOutcome::FetchFailed;
    return outcome;
}
