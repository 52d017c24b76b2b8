#pragma once

#include <QString>
#include <QVariantList>

// Times SQL run by the sqlite3 command line on a file: the wall time of a
// shell that runs a statement `repeat` times, less that of a shell that only
// starts and binds, divided by `repeat`.
class SqliteCommand
{
public:
    explicit SqliteCommand(QString databasePath);

    bool IsAvailable() const { return !program.isEmpty(); }

    // Seconds per run of `statements` with `values` bound to ?1, ?2, ...
    double SecondsPerRun(const QString& statements, const QVariantList& values, int repeat) const;

    // Script for a shell that binds `values` and runs `statements` `repeat` times.
    static QString Script(const QString& statements, const QVariantList& values, int repeat);

    QString Program() const { return program; }
    QString DatabasePath() const { return databasePath; }

private:
    double RunSeconds(const QString& script) const;

    QString program;
    QString databasePath;
};
