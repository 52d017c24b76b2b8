#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThreadPool>

#include <functional>
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
// Threads: Hold and Finish run on the SDK's dispatch thread (or on one thread
// that stores an alarm outside a round); the pool only syncs.
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
    // Pictures and folders synced, rows committed, then each `stored`; false
    // when any of it failed, with the round's pictures removed. Either way the
    // next round starts empty.
    bool Finish();

    // Writes `bytes` to a new file at `path`, making its folder; a failed write
    // leaves no file. Nothing is synced.
    static bool WritePicture(const QString& path, const QByteArray& bytes);
    static bool SyncFile(const QString& path);
    static bool SyncFolder(const QString& folder);

private:
    // Syncs every picture and every folder of the round at once.
    bool PicturesSynced();
    void RemovePictures();

    QThreadPool syncs;
    std::vector<Alarm> held;
};
