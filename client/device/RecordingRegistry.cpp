#include "RecordingRegistry.h"

#include <utility>

quint64 RecordingRegistry::BeginStarts(int count)
{
    const std::lock_guard<std::mutex> lock(mutex);
    pendingStarts += count;
    return generation;
}

void RecordingRegistry::FinishStart()
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (--pendingStarts == 0)
        startsDone.notify_all();
}

RecordingRegistry::Reservation RecordingRegistry::Reserve(const QString& ip, quint64 startGeneration)
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (startGeneration != generation)
        return Reservation::Cancelled;
    if (ips.contains(ip))
        return Reservation::AlreadyRecording;
    ips.insert(ip);
    return Reservation::Reserved;
}

void RecordingRegistry::Release(const QString& ip)
{
    const std::lock_guard<std::mutex> lock(mutex);
    ips.remove(ip);
}

void RecordingRegistry::Adopt(long handle, const Target& target)
{
    const std::lock_guard<std::mutex> lock(mutex);
    handles.append(handle);
    targets.insert(handle, target);
}

bool RecordingRegistry::Update(long handle, const std::function<void(Target&)>& update)
{
    const std::lock_guard<std::mutex> lock(mutex);
    auto target = targets.find(handle);
    if (target == targets.end())
        return false;
    update(*target);
    return true;
}

QVector<long> RecordingRegistry::TakeAllForStop()
{
    std::unique_lock<std::mutex> lock(mutex);
    ++generation;
    startsDone.wait(lock, [this] { return pendingStarts == 0; });
    targets.clear();
    ips.clear();
    return std::exchange(handles, {});
}

QVector<long> RecordingRegistry::Handles() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    // A copy of its own, not one sharing the list: Qt's containers tell
    // whether they are shared with an unordered load, so once the caller let
    // go of a shared copy, the next start could append in place while the
    // caller's last reads of it were not yet ordered before that.
    return QVector<long>(handles.cbegin(), handles.cend());
}
