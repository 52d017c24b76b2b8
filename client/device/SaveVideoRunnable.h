#pragma once

#include "ClipLedger.h"
#include "ClipTiming.h"

#include <QDateTime>
#include <QRunnable>
#include <QString>

#include <functional>
#include <memory>

class ShutdownSignal;

// One incident clip, started once the device has stored the recording (the
// manager's ClipScheduler waits for that): has the device SDK write it into
// the file, watches the download to its end, and reports how it ended. The
// device's login is looked up when the download starts, so a device logged in
// anew meanwhile is still asked.
// Runs on DeviceManager's clip pool, which deletes it after run().
class SaveVideoRunnable : public QRunnable
{
public:
    using LoginLookup = std::function<long()>;
    using Ended = std::function<void(ClipOutcome)>;

    SaveVideoRunnable(const ClipRequest& request, LoginLookup login, ClipTiming timing,
                      std::shared_ptr<ShutdownSignal> shutdown, Ended ended);
    ~SaveVideoRunnable() override;

    void run() override;

private:
    ClipOutcome Fetch();
    // Polls the download until it ends, fails, is given up or shutdown comes;
    // the last position read.
    int WatchDownload(int handle);
    ClipOutcome ReportResult(int position);
    // A failed SDK call: given up only when the device says the recording is gone.
    ClipOutcome Failed(const char* what);

    ClipRequest request;
    LoginLookup login;
    long lUserID = -1;
    ClipTiming timing;
    std::shared_ptr<ShutdownSignal> shutdown;
    Ended ended;
};
