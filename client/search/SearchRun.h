#pragma once

#include "SearchOutcome.h"
#include "SearchRequest.h"

#include <functional>
#include <optional>

class DatabaseOperation;

// The database half of a search: counts the rows (unless the request knows the
// count) and reads the one page asked for. `wanted` is asked before each query;
// once it says no (the page closes, or a newer search of the tab started) the
// run stops and gives nothing. Logs its failures on the search page's loggers.
std::optional<SearchOutcome> RunSearch(DatabaseOperation& database, const SearchRequest& request,
                                       const std::function<bool()>& wanted);
