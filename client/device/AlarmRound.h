#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <mutex>
#include <future>
#include <vector>

// The alarms of one dispatch round of the device SDK, stored together. Each
// alarm's pictures are written into new files as it is held (into the page
// cache: no copy of them waits in memory); at the round's end every picture
// and each folder is synced side by side on a small pool, then every alarm's
// rows go into Corvane.db in one transaction. Only then does the SDK
// acknowledge the round's alarms to their devices. A round is stored whole or
// not at all: one that fails leaves no picture behind, and its devices send it
// again.
//
// Threads: Hold runs on the SDK's dispatch thread, Finish and Drop on its
// round thread while the next round is held (or all on one thread that stores
// an alarm outside a round); the pool only syncs. A round ends the alarms held
// first: rounds end in the order they were held.
class AlarmRound
{
public:
    struct Picture
    {
        QString path;
        // Needed only while Hold runs: may wrap the SDK's buffer without a copy.
        QByteArray bytes;
    };
    struct Alarm
    {
        QList<Picture> pictures;
        // Inserts the alarm's rows; runs inside the round's transaction.
        std::function<bool()> storeRows;
        // Runs once the round is stored, in the order the alarms were held.
        std::function<void()> stored;
    };

    AlarmRound();
    // Pictures of a round that never finished are removed.
    ~AlarmRound();

    AlarmRound(const AlarmRound&) = delete;
    AlarmRound& operator=(const AlarmRound&) = delete;

    // Writes the alarm's pictures (to free paths) and keeps it for the round;
    // false, keeping nothing of it, when a picture cannot be written.
    bool Hold(Alarm alarm);
    // Pictures and folders synced, rows committed, then each `stored`, for the
    // first `count` alarms held (all of them when count is 0); false when any
    // of it failed, with those alarms' pictures removed. Either way they are
    // no longer held.
    bool Finish(size_t count = 0);
    // The first `count` alarms held (all of them when count is 0) are not
    // stored: their pictures are removed.
    void Drop(size_t count);

    // Writes `bytes` to a new file at `path`, making its folder; a failed write
    // leaves no file. Nothing is synced.
    static bool WritePicture(const QString& path, const QByteArray& bytes);
    static bool SyncFile(const QString& path);
    static bool SyncFolder(const QString& folder);

private:
    // The first `count` alarms held (all for 0), no longer held.
    std::vector<Alarm> TakeRound(size_t count);
    // Syncs every picture and every folder of the round at once.
    bool PicturesSynced(const std::vector<Alarm>& round);
    static void RemovePictures(const std::vector<Alarm>& round);

    QThreadPool syncs;
    std::mutex heldMutex;
    std::deque<Alarm> held;
};
