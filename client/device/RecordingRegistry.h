#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <condition_variable>
#include <functional>
#include <mutex>

// The bookkeeping of continuous recording: which camera each real-play handle
// records into which file, and the starts under way. One camera is never
// recorded twice (two streams would append to the same file and corrupt it),
// and a stop waits for the starts under way, so no handle outlives it.
// Thread-safe; makes no SDK calls.
class RecordingRegistry
{
public:
    struct Target
    {
        QString ip;
        QString path; // of the block before
        int slotIndex = 0;
    };

    enum class Reservation { Reserved, AlreadyRecording, Cancelled };

    // Counts `count` starts as pending; each one ends with FinishStart. The
    // result is the generation the starts belong to: a stop ends it.
    quint64 BeginStarts(int count);
    void FinishStart();

    // Claims the camera for one recording, unless it is recorded (or being
    // started) already or a stop came after the start was asked for.
    Reservation Reserve(const QString& ip, quint64 generation);
    // Gives a claim back after a start that failed.
    void Release(const QString& ip);
    // The started handle; a stop that came meanwhile waits for the start to
    // finish and then stops it with the others.
    void Adopt(long handle, const Target& target);

    // Runs `update` on the handle's target under the lock; false (and no call)
    // when the handle is not recorded (any more).
    bool Update(long handle, const std::function<void(Target&)>& update);

    // Ends the generation, so that starts not yet claimed give up, waits for
    // the starts under way and forgets every recording; the handles to stop.
    QVector<long> TakeAllForStop();
    QVector<long> Handles() const;

private:
    mutable std::mutex mutex;
    std::condition_variable startsDone;
    QVector<long> handles;
    QHash<long, Target> targets;
    QSet<QString> ips; // recorded or being started
    int pendingStarts = 0;
    quint64 generation = 0;
};
