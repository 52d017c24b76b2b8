#pragma once

#include <QDateTime>
#include <QRunnable>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class ShutdownSignal;

// How the clip jobs pace themselves. The defaults are the client's; tests
// shorten them.
struct ClipTiming
{
    // A device stores its recording of an instant this long after it.
    std::chrono::seconds storeDelay{120};
    std::chrono::milliseconds pollInterval{5000};
    // A download whose position never reaches 100 is given up after this many polls.
    int maxPolls = 120;
};

// Seconds to wait before asking for a clip that ends at `end` when it is `now`:
// the whole store delay while the clip has not ended, what is left of it for a
// clip that ended less than the delay ago, nothing after that.
qint64 ClipWaitSeconds(const QDateTime& end, const QDateTime& now, std::chrono::seconds storeDelay);

// One incident clip: waits until the device has stored the recording, then has
// the device SDK write it into the file and watches the download to its end.
// Runs on DeviceManager's clip pool, which deletes it after run().
class SaveVideoRunnable : public QRunnable
{
public:
    using Clock = std::function<QDateTime()>;

    SaveVideoRunnable(long lUserID, int channel, const QString& file, const QDateTime& start,
                      const QDateTime& end, Clock clock, ClipTiming timing,
                      std::shared_ptr<ShutdownSignal> shutdown);
    ~SaveVideoRunnable() override;

    void run() override;

private:
    bool WaitForRecording();
    // Polls the download until it ends, fails, is given up or shutdown comes;
    // the last position read.
    int WatchDownload(int handle);
    void ReportResult(int position);

    long lUserID;
    int channel;
    QString file;
    QDateTime start;
    QDateTime end;
    Clock clock;
    ClipTiming timing;
    std::shared_ptr<ShutdownSignal> shutdown;
};
