#include "AlarmRound.h"

#include "core/ApplicationDir.h"
#include "core/Logging.h"
#include "data/ImplementInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QRunnable>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace {

// Pictures written at once: enough to keep a disk's queue full while one
// waits for its sync, few enough not to crowd the machine's cores.
constexpr int kPictureWriters = 4;

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("Corvane");
}

} // namespace

AlarmRound::AlarmRound()
{
    writers.setMaxThreadCount(kPictureWriters);
}

AlarmRound::~AlarmRound()
{
    if (held.empty())
        return;
    PicturesWritten();
    RemovePictures();
}

void AlarmRound::Hold(Alarm alarm)
{
    Held entry;
    for (const Picture& picture : qAsConst(alarm.pictures)) {
        claimed.insert(picture.path);
        auto write = std::make_shared<std::packaged_task<bool()>>(
            [path = picture.path, bytes = picture.bytes] { return WritePicture(path, bytes); });
        entry.writes.push_back(write->get_future());
        writers.start(QRunnable::create([write] { (*write)(); }));
    }
    entry.alarm = std::move(alarm);
    held.push_back(std::move(entry));
}

bool AlarmRound::Finish()
{
    bool stored = PicturesWritten();
    // A new file outlives a power cut only once its folder's entry is on disk:
    // one sync per folder covers every picture of the round in it.
    QSet<QString> folders;
    for (const Held& entry : held)
        for (const Picture& picture : entry.alarm.pictures)
            folders.insert(QFileInfo(picture.path).absolutePath());
    for (const QString& folder : qAsConst(folders))
        stored = stored && SyncFolder(folder);

    ImplementInstance* instance = ImplementInstance::GetInstance();
    stored = stored && instance && instance->GetDatabase()->StoreAlarmsTogether([this] {
        for (Held& entry : held)
            if (entry.alarm.storeRows && !entry.alarm.storeRows())
                return false;
        return true;
    });
    if (!stored) {
        Log()->error("{}, a round of {} alarms was not stored; their devices send them again", "AlarmRound::Finish",
                     held.size());
        RemovePictures();
    }
    std::vector<Held> finished = std::move(held);
    held.clear();
    claimed.clear();
    if (stored)
        for (Held& entry : finished)
            if (entry.alarm.stored)
                entry.alarm.stored();
    return stored;
}

bool AlarmRound::PicturesWritten()
{
    // Every write ends before anything is judged or removed.
    bool written = true;
    for (Held& entry : held)
        for (std::future<bool>& write : entry.writes)
            written = write.get() && written;
    for (Held& entry : held)
        entry.writes.clear();
    return written;
}

void AlarmRound::RemovePictures()
{
    for (const Held& entry : held)
        for (const Picture& picture : entry.alarm.pictures)
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
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fdatasync(file.handle()) != 0) {
        Log()->error("{}, write {} failed: {}", "Corvane::SaveToFile", path, file.errorString());
        file.close();
        file.remove();
        return false;
    }
    file.close();
    return true;
}

bool AlarmRound::SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced)
        Log()->error("{}, sync of folder {} failed", "AlarmRound::SyncFolder", folder);
    return synced;
}
