#pragma once

#include "data/ClipRequest.h"

#include <QList>
#include <QString>

#include <functional>

class DatabaseOperation;

// Where the clip requests are kept until their clips are on disk (the
// database, in the client). Called from the clip jobs' threads and from the
// threads that log devices in or report them back; each part may be empty.
struct ClipLedger
{
    // The requests still open for the device at that address and port.
    std::function<QList<ClipRequest>(const QString& deviceIp, int devicePort)> pending;
    // The clip is on disk.
    std::function<void(const QString& file)> fetched;
    // The device can no longer serve the clip.
    std::function<void(const QString& file)> givenUp;
};

// How a clip job ended.
enum class ClipOutcome {
    Fetched,
    // The device answered that it has no such recording (any more).
    GivenUp,
    // Closing, a device away or logged in anew: the request stays for later.
    Kept,
};

// The ledger kept in the incident rows' database, which must outlive the
// manager's clip jobs.
ClipLedger ClipLedgerIn(DatabaseOperation& database);
