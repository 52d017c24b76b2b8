#include "rotating_file_mod_sink.h"

#include <QDir>
#include <QFile>
#include <fmt/format.h>

namespace spdlog {
namespace sinks {

template <typename Mutex>
rotating_file_mod_sink<Mutex>::rotating_file_mod_sink(const std::string& baseFileName, const std::string& extension,
                                                      const std::string& directory, std::uint32_t maxSize,
                                                      std::uint32_t maxFiles, bool flushEveryLine, clock now)
    : baseFileName_(baseFileName), extension_(extension), maxSize_(maxSize), maxFiles_(maxFiles), directory_(directory),
      flushEveryLine_(flushEveryLine), now_(now ? std::move(now) : clock(&QDateTime::currentDateTime)),
      file_(std::make_unique<details::file_helper>())
{
    file_->open(nextFilePath());
    currentSize_ = file_->size();
}

template <typename Mutex>
std::string rotating_file_mod_sink<Mutex>::current_filename()
{
    std::lock_guard<Mutex> lock(this->mutex_);
    return file_->filename();
}

template <typename Mutex>
void rotating_file_mod_sink<Mutex>::sink_it_(const details::log_msg& msg)
{
    memory_buf_t formatted;
    this->formatter_->format(msg, formatted);
    std::unique_ptr<spdlog_ex> rotationFailure;
    if (currentSize_ + formatted.size() > maxSize_) {
        try {
            rotate();
        } catch (const spdlog_ex& e) {
            // Keep writing to the old file rather than losing lines; the next
            // attempt comes after another full file's worth of lines.
            rotationFailure = std::make_unique<spdlog_ex>(e);
            currentSize_ = 0;
        }
    }
    writeLine(formatted);
    if (rotationFailure)
        throw *rotationFailure;
}

template <typename Mutex>
void rotating_file_mod_sink<Mutex>::writeLine(const memory_buf_t& line)
{
    try {
        file_->write(line);
        if (flushEveryLine_)
            file_->flush();
    } catch (const spdlog_ex&) {
        // On a full disk nothing or part of the line arrived: only what the
        // file holds counts, or the sink would rotate into empty files.
        currentSize_ = sizeOnDisk();
        throw;
    }
    currentSize_ += line.size();
    // Old files make room only once the new file holds a line: a rotation on
    // a full disk must not cost a real log for an empty one.
    if (oldFilesPending_) {
        oldFilesPending_ = false;
        deleteOldestFiles();
    }
}

template <typename Mutex>
size_t rotating_file_mod_sink<Mutex>::sizeOnDisk() const
{
    try {
        return file_->size();
    } catch (const spdlog_ex&) {
        return currentSize_;
    }
}

template <typename Mutex>
void rotating_file_mod_sink<Mutex>::flush_()
{
    file_->flush();
}

template <typename Mutex>
std::string rotating_file_mod_sink<Mutex>::nextFilePath()
{
    const QDateTime now = now_();
    QDateTime stamp(now.date(), now.time(), Qt::UTC);
    if (lastStamp_.isValid() && stamp <= lastStamp_)
        stamp = lastStamp_.addMSecs(1);
    lastStamp_ = stamp;

    const QDate date = stamp.date();
    const QTime time = stamp.time();
    const std::string name =
        fmt::format("{}_{:04d}-{:02d}-{:02d}_{:02d}-{:02d}-{:02d}_{:03d}.{}", baseFileName_, date.year(), date.month(),
                    date.day(), time.hour(), time.minute(), time.second(), time.msec(), extension_);
    return directory_ + "/" + name;
}

template <typename Mutex>
void rotating_file_mod_sink<Mutex>::rotate()
{
    // The new file is opened before the old one is closed, so a failed open
    // leaves the sink writing where it was.
    auto next = std::make_unique<details::file_helper>();
    next->open(nextFilePath());
    file_ = std::move(next);
    currentSize_ = sizeOnDisk();
    oldFilesPending_ = true;
}

template <typename Mutex>
void rotating_file_mod_sink<Mutex>::deleteOldestFiles()
{
    const QDir dir(QString::fromLocal8Bit(directory_.c_str()));
    const QString pattern = QString::fromStdString(baseFileName_ + "*." + extension_);
    QStringList others = dir.entryList({pattern}, QDir::Files, QDir::Name);
    others.removeAll(QFileInfo(QString::fromLocal8Bit(file_->filename().c_str())).fileName());
    // Zero-padded stamps make name order age order. A file that cannot be
    // deleted is passed over.
    const int keepOthers = maxFiles_ > 0 ? static_cast<int>(maxFiles_) - 1 : 0;
    while (others.size() > keepOthers)
        QFile::remove(dir.filePath(others.takeFirst()));
}

template class rotating_file_mod_sink<std::mutex>;
template class rotating_file_mod_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
