#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <chrono>
#include <functional>

// Keeps the alarm pictures below the data path in bounds. A pass deletes the
// ".jpeg" files of hour folders older than 30 days in the two picture trees
// and, when the file system holding the data path has less than 10 % free,
// deletes pictures from the oldest hour folders on until 20 % would be free.
// Only files with the suffix "jpeg" are ever removed: clips and recordings
// stay.
//
// Ages come from the folder names ("<yyyyMMdd>/<HH>"), not from file birth
// times, which Linux file systems may not report. The clock, the free-space
// figures and the wait between passes are injectable for tests.
class DataCleaner
{
public:
    struct SpaceFigures
    {
        qint64 total = -1;
        qint64 free = -1;
    };
    using Clock = std::function<QDateTime()>;
    using SpaceProbe = std::function<SpaceFigures(const QString& path)>;

    static constexpr int kKeepDays = 30;

    DataCleaner();

    void SetClock(Clock clock) { this->clock = std::move(clock); }
    void SetSpaceProbe(SpaceProbe probe) { spaceProbe = std::move(probe); }
    void SetInterval(std::chrono::milliseconds interval) { this->interval = interval; }

    // One pass over the data path: the age rule on both picture trees, then
    // the space rule.
    void RunPass(const QString& dataPath);
    // Passes until the calling boost thread is interrupted, which only the
    // wait between passes notices. `dataPath` is asked anew before each pass,
    // so a changed setting applies from the next one.
    void RunUntilInterrupted(const std::function<QString()>& dataPath);

    // Deletes the pictures of hour folders older than `days` below `dir` and
    // removes folders that this leaves empty; returns the files removed.
    int DeleteOldData(const QString& dir, int days);
    // True when less than 10 % of the file system is free; `amountToFree` is
    // then the bytes to delete to reach 20 %.
    bool IsNeedCleanByLeftSpace(const QString& path, qint64& amountToFree) const;
    // Deletes pictures from the oldest hour folders on until `amountToFree`
    // bytes are gone; returns the bytes deleted.
    qint64 CleanFile(const QString& path, qint64 amountToFree);

    // "00" to "23".
    static bool IsHourDirName(const QString& name);
    // The start of the hour an hour folder ".../<yyyyMMdd>/<HH>" stands for;
    // invalid when the names do not form one.
    static QDateTime HourOfDir(const QString& hourDirPath);

private:
    // Hour folders below `dir` by their hour, oldest first; folders of the
    // same hour are all kept.
    void CollectHourDirs(const QString& dir, QMultiMap<QDateTime, QString>& hourDirs) const;
    static qint64 RemovePictures(const QString& dir, int& count, qint64 stopAt = -1);
    static void RemoveEmptyParents(QString dir, const QString& root);

    Clock clock;
    SpaceProbe spaceProbe;
    std::chrono::milliseconds interval{std::chrono::minutes(30)};
};
