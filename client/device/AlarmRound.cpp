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

#include <future>
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
    RemovePictures();
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
    held.push_back(std::move(alarm));
    return true;
}

bool AlarmRound::Finish()
{
    bool stored = PicturesSynced();
    ImplementInstance* instance = ImplementInstance::GetInstance();
    stored = stored && instance && instance->GetDatabase()->StoreAlarmsTogether([this] {
        for (Alarm& alarm : held)
            if (alarm.storeRows && !alarm.storeRows())
                return false;
        return true;
    });
    if (!stored) {
        Log()->error("{}, a round of {} alarms was not stored; their devices send them again", "AlarmRound::Finish",
                     held.size());
        RemovePictures();
    }
    std::vector<Alarm> finished = std::move(held);
    held.clear();
    if (stored)
        for (Alarm& alarm : finished)
            if (alarm.stored)
                alarm.stored();
    return stored;
}

bool AlarmRound::PicturesSynced()
{
    // A new file outlives a power cut only once its data and its folder's
    // entry are on disk: one sync per folder covers every picture in it.
    std::vector<std::function<bool()>> work;
    QSet<QString> folders;
    for (const Alarm& alarm : held)
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

void AlarmRound::RemovePictures()
{
    for (const Alarm& alarm : held)
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
