#include "RecordingRegistry.h"

#include <QMutexLocker>

#include <utility>

quint64 RecordingRegistry::BeginStarts(int count)
{
    QMutexLocker lock(&mutex);
    pendingStarts += count;
    return generation;
}

void RecordingRegistry::FinishStart()
{
    QMutexLocker lock(&mutex);
    if (--pendingStarts == 0)
        startsDone.wakeAll();
}

RecordingRegistry::Reservation RecordingRegistry::Reserve(const QString& ip, quint64 startGeneration)
{
    QMutexLocker lock(&mutex);
    if (startGeneration != generation)
        return Reservation::Cancelled;
    if (ips.contains(ip))
        return Reservation::AlreadyRecording;
    ips.insert(ip);
    return Reservation::Reserved;
}

void RecordingRegistry::Release(const QString& ip)
{
    QMutexLocker lock(&mutex);
    ips.remove(ip);
}

void RecordingRegistry::Adopt(long handle, const Target& target)
{
    QMutexLocker lock(&mutex);
    handles.append(handle);
    targets.insert(handle, target);
}

bool RecordingRegistry::Update(long handle, const std::function<void(Target&)>& update)
{
    QMutexLocker lock(&mutex);
    auto target = targets.find(handle);
    if (target == targets.end())
        return false;
    update(*target);
    return true;
}

QVector<long> RecordingRegistry::TakeAllForStop()
{
    QMutexLocker lock(&mutex);
    ++generation;
    while (pendingStarts > 0)
        startsDone.wait(&mutex);
    targets.clear();
    ips.clear();
    return std::exchange(handles, {});
}

QVector<long> RecordingRegistry::Handles() const
{
    QMutexLocker lock(&mutex);
    return handles;
}
