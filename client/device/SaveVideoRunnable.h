#pragma once

#include "ClipTiming.h"

#include <QDateTime>
#include <QRunnable>
#include <QString>

#include <functional>
#include <memory>

class ShutdownSignal;

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
