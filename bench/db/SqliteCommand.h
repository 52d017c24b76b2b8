#pragma once

#include <QString>
#include <QVariantList>

// Times SQL run by the sqlite3 command line on a file: per statement with the
// shell's own timer, or as the time of a shell that runs a statement `repeat`
// times, less that of a shell that only starts and binds, divided by `repeat`. Processor time (user and system) is what
// the searches are compared on, as it holds still on a loaded machine; wall time is what the inserts are compared on,
// as it includes the writes.
class SqliteCommand
{
public:
    explicit SqliteCommand(QString databasePath);

    bool IsAvailable() const { return !program.isEmpty(); }

    enum class Clock { Processor, Wall };

    // Seconds per run of `statements` with `values` bound to ?1, ?2, ... (one sample).
    double SecondsPerRun(const QString& statements, const QVariantList& values, int repeat, Clock clock) const;

    // Wall seconds per run of `statements`, as the shell's own timer (".timer
    // on") reports each statement: the shell's start-up and the reading of
    // the script are not in it. The timer counts whole milliseconds; over many
    // runs that do not start in step with it, the mean still comes out right.
    // Negative when the shell did not time every statement.
    double TimedSecondsPerRun(const QString& statements, const QVariantList& values, int repeat) const;

    // What the shell prints for `statements`, one line per row ("|" between columns).
    QString Answer(const QString& statements, const QVariantList& values) const;

    // Script for a shell that binds `values` and runs `statements` `repeat` times.
    static QString Script(const QString& statements, const QVariantList& values, int repeat, bool timed = false,
                          bool quiet = true);

    QString Program() const { return program; }
    QString DatabasePath() const { return databasePath; }

private:
    double RunSeconds(const QString& script, Clock clock) const;

    QString program;
    QString databasePath;
};
