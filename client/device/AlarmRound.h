#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <future>
#include <vector>

// The alarms of one dispatch round of the device SDK, stored together. Their
// pictures are written and synced side by side on a small pool while the round
// goes on; at its end each folder is synced once, and every alarm's rows go
// into Corvane.db in one transaction. Only then does the SDK acknowledge the
// round's alarms to their devices. A round is stored whole or not at all: one
// that fails leaves no picture behind, and its devices send it again.
//
// Threads: Hold and Finish run on the SDK's dispatch thread (or on one thread
// that stores an alarm outside a round); the pool only writes pictures.
class AlarmRound
{
public:
    struct Picture
    {
        QString path;
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

    // Starts writing the alarm's pictures at once. Their paths must be free
    // (see IsClaimed): a held picture is not on disk yet.
    void Hold(Alarm alarm);
    int HeldCount() const { return static_cast<int>(held.size()); }
    // True when a picture of the round goes to `path`.
    bool IsClaimed(const QString& path) const { return claimed.contains(path); }
    // Pictures and folders synced, rows committed, then each `stored`; false
    // when any of it failed, with the round's pictures removed. Either way the
    // next round starts empty.
    bool Finish();

    // Writes `bytes` to a new file at `path` (making its folder) and syncs the
    // file's data; a failed write leaves no file. The folder is not synced.
    static bool WritePicture(const QString& path, const QByteArray& bytes);
    static bool SyncFolder(const QString& folder);

private:
    struct Held
    {
        Alarm alarm;
        std::vector<std::future<bool>> writes;
    };

    bool PicturesWritten();
    void RemovePictures();

    QThreadPool writers;
    std::vector<Held> held;
    QSet<QString> claimed;
};
