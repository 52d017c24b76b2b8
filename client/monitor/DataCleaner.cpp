#include "DataCleaner.h"

#include "core/Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <boost/thread/thread.hpp>

namespace {

std::shared_ptr<spdlog::logger> Log()
{
    return LoggerFor("Corvane");
}

const QString kPictureSuffix = QStringLiteral("jpeg");

} // namespace

DataCleaner::DataCleaner()
    : clock([] { return QDateTime::currentDateTime(); }), spaceProbe([](const QString& path) {
          // The file system that holds the data path, whatever its mount point.
          const QStorageInfo storage(path);
          if (!storage.isValid())
              return SpaceFigures{};
          return SpaceFigures{storage.bytesTotal(), storage.bytesAvailable()};
      })
{
}

void DataCleaner::RunPass(const QString& dataPath)
{
    DeleteOldData(dataPath + QStringLiteral("/data/IncidentImageDir"), kKeepDays);
    DeleteOldData(dataPath + QStringLiteral("/data/ForensicsImageDir"), kKeepDays);
    qint64 amountToFree = 0;
    if (IsNeedCleanByLeftSpace(dataPath, amountToFree))
        CleanFile(dataPath, amountToFree);
}

void DataCleaner::RunUntilInterrupted(const std::function<QString()>& dataPath)
{
    for (;;) {
        RunPass(dataPath());
        // The wait is the only interruption point: a pass always ends.
        boost::this_thread::sleep_for(boost::chrono::milliseconds(interval.count()));
    }
}

bool DataCleaner::IsHourDirName(const QString& name)
{
    bool number = false;
    const int hour = name.toInt(&number);
    return name.size() == 2 && name.at(0).isDigit() && name.at(1).isDigit() && number && hour >= 0 && hour <= 23;
}

QDateTime DataCleaner::HourOfDir(const QString& hourDirPath)
{
    const QFileInfo hourDir(hourDirPath);
    if (!IsHourDirName(hourDir.fileName()))
        return {};
    const QString dayName = QFileInfo(hourDir.path()).fileName();
    const QDate day = QDate::fromString(dayName, QStringLiteral("yyyyMMdd"));
    if (dayName.size() != 8 || !day.isValid())
        return {};
    return QDateTime(day, QTime(hourDir.fileName().toInt(), 0));
}

int DataCleaner::DeleteOldData(const QString& dir, int days)
{
    if (!QFileInfo(dir).isDir())
        return 0;
    const QDateTime cutoff = clock().addDays(-days);
    QMultiMap<QDateTime, QString> hourDirs;
    CollectHourDirs(dir, hourDirs);
    int count = 0;
    for (auto it = hourDirs.cbegin(); it != hourDirs.cend() && it.key() < cutoff; ++it) {
        // Within the hour the folder stands for, pictures may still arrive:
        // its whole hour must lie before the cut-off.
        if (it.key().addSecs(3600) > cutoff)
            break;
        RemovePictures(it.value(), count);
        RemoveEmptyParents(it.value(), dir);
    }
    if (count > 0)
        Log()->info("{}, delete {} files", "Corvane::DeleteOldData", count);
    return count;
}

bool DataCleaner::IsNeedCleanByLeftSpace(const QString& path, qint64& amountToFree) const
{
    const SpaceFigures figures = spaceProbe(path);
    Log()->info("{}, total:{}, free:{}", "Corvane::IsNeedCleanByLeftSpace", figures.total, figures.free);
    if (figures.total <= 0 || figures.free < 0)
        return false;
    if (figures.total / 10 <= figures.free)
        return false;
    amountToFree = figures.total / 5 - figures.free;
    return true;
}

qint64 DataCleaner::CleanFile(const QString& path, qint64 amountToFree)
{
    if (!QFileInfo(path).isDir())
        return 0;
    QMultiMap<QDateTime, QString> hourDirs;
    CollectHourDirs(path, hourDirs);
    qint64 deleted = 0;
    int count = 0;
    for (auto it = hourDirs.cbegin(); it != hourDirs.cend() && deleted < amountToFree; ++it)
        deleted += RemovePictures(it.value(), count, amountToFree - deleted);
    Log()->info("{}, already delete {}", "Corvane::CleanFile", deleted);
    return deleted;
}

void DataCleaner::CollectHourDirs(const QString& dir, QMultiMap<QDateTime, QString>& hourDirs) const
{
    const QFileInfoList subDirs =
        QDir(dir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& sub : subDirs) {
        const QDateTime hour = HourOfDir(sub.filePath());
        if (hour.isValid())
            hourDirs.insert(hour, sub.filePath());
        else
            CollectHourDirs(sub.filePath(), hourDirs);
    }
}

qint64 DataCleaner::RemovePictures(const QString& dir, int& count, qint64 stopAt)
{
    qint64 removed = 0;
    const QFileInfoList files =
        QDir(dir).entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& file : files) {
        if (stopAt >= 0 && removed >= stopAt)
            break;
        // Exactly "jpeg": the alarm pictures; never clips, recordings or other files.
        if (file.suffix() != kPictureSuffix)
            continue;
        const qint64 size = file.size(); // before the file is gone
        if (QFile::remove(file.filePath())) {
            removed += size;
            ++count;
        }
    }
    return removed;
}

void DataCleaner::RemoveEmptyParents(QString dir, const QString& root)
{
    const QString top = QDir::cleanPath(root);
    for (dir = QDir::cleanPath(dir); dir.startsWith(top + QLatin1Char('/')); dir = QFileInfo(dir).path()) {
        if (!QDir(dir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            return;
        QDir().rmdir(dir);
    }
}
