#include "AlarmRound.h"

#include "core/ApplicationDir.h"
#include "core/Logging.h"
#include "data/ImplementInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QRunnable>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <iterator>
#include <memory>

namespace {

// Syncs waiting at once: the file system joins the syncs that wait together
// into one journal commit, so more of them at a time cost little more than one.
constexpr int kSyncThreads = 16;

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("Corvane");
}

bool SyncPath(const QString& path, int flags, bool dataOnly)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = (dataOnly ? ::fdatasync(fd) : ::fsync(fd)) == 0;
    ::close(fd);
    if (!synced)
        Log()->error("{}, sync of {} failed", "AlarmRound::Finish", path);
    return synced;
}

} // namespace

AlarmRound::AlarmRound()
{
    syncs.setMaxThreadCount(kSyncThreads);
}

AlarmRound::~AlarmRound()
{
    RemovePictures(TakeRound(0));
}

bool AlarmRound::Hold(Alarm alarm)
{
    for (int i = 0; i < alarm.pictures.size(); ++i) {
        Picture& picture = alarm.pictures[i];
        if (!WritePicture(picture.path, picture.bytes)) {
            for (int written = 0; written < i; ++written)
                QFile::remove(alarm.pictures[written].path);
            return false;
        }
        picture.bytes = QByteArray();
    }
    const std::lock_guard<std::mutex> lock(heldMutex);
    held.push_back(std::move(alarm));
    return true;
}

std::vector<AlarmRound::Alarm> AlarmRound::TakeRound(size_t count)
{
    const std::lock_guard<std::mutex> lock(heldMutex);
    const size_t taken = count == 0 ? held.size() : std::min(count, held.size());
    std::vector<Alarm> round(std::make_move_iterator(held.begin()), std::make_move_iterator(held.begin() + taken));
    held.erase(held.begin(), held.begin() + taken);
    return round;
}

bool AlarmRound::Finish(size_t count)
{
    std::vector<Alarm> round = TakeRound(count);
    // Fewer held than the round counts: the rounds no longer match what was held.
    bool stored = (count == 0 || round.size() == count) && PicturesSynced(round);
    ImplementInstance* instance = ImplementInstance::GetInstance();
    stored = stored && instance && instance->GetDatabase()->StoreAlarmsTogether([&round] {
        for (Alarm& alarm : round)
            if (alarm.storeRows && !alarm.storeRows())
                return false;
        return true;
    });
    if (!stored) {
        Log()->error("{}, a round of {} alarms was not stored; their devices send them again", "AlarmRound::Finish",
                     round.size());
        RemovePictures(round);
        return false;
    }
    for (Alarm& alarm : round)
        if (alarm.stored)
            alarm.stored();
    return true;
}

void AlarmRound::Drop(size_t count)
{
    RemovePictures(TakeRound(count));
}

bool AlarmRound::PicturesSynced(const std::vector<Alarm>& round)
{
    // A new file outlives a power cut only once its data and its folder's
    // entry are on disk: one sync per folder covers every picture in it.
    std::vector<std::function<bool()>> work;
    QSet<QString> folders;
    for (const Alarm& alarm : round)
        for (const Picture& picture : alarm.pictures) {
            work.push_back([path = picture.path] { return SyncFile(path); });
            folders.insert(QFileInfo(picture.path).absolutePath());
        }
    for (const QString& folder : qAsConst(folders))
        work.push_back([folder] { return SyncFolder(folder); });
    std::vector<std::future<bool>> done;
    for (std::function<bool()>& sync : work) {
        auto task = std::make_shared<std::packaged_task<bool()>>(std::move(sync));
        done.push_back(task->get_future());
        syncs.start(QRunnable::create([task] { (*task)(); }));
    }
    bool synced = true;
    for (std::future<bool>& sync : done)
        synced = sync.get() && synced;
    return synced;
}

void AlarmRound::RemovePictures(const std::vector<Alarm>& round)
{
    for (const Alarm& alarm : round)
        for (const Picture& picture : alarm.pictures)
            QFile::remove(picture.path);
}

bool AlarmRound::WritePicture(const QString& path, const QByteArray& bytes)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        // Made here, so that the log names the folder's own fault rather than
        // the missing file's.
        const QString problem = FolderWriteProblem(folder);
        if (!problem.isEmpty()) {
            Log()->error("{}, folder {} cannot be made: {}", "Corvane::SaveToFile", folder, problem);
            return false;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Log()->error("{}, open {} failed: {}", "Corvane::SaveToFile", path, file.errorString());
        return false;
    }
    // A short write (full disk) leaves no half picture behind.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        Log()->error("{}, write {} failed: {}", "Corvane::SaveToFile", path, file.errorString());
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return true;
}

bool AlarmRound::SyncFile(const QString& path)
{
    return SyncPath(path, O_RDONLY, true);
}

bool AlarmRound::SyncFolder(const QString& folder)
{
    return SyncPath(folder, O_RDONLY | O_DIRECTORY, false);
}
