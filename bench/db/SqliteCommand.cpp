#include "SqliteCommand.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <sys/resource.h>

#include <algorithm>

namespace {

QString Literal(const QVariant& value)
{
    if (value.type() == QVariant::String) {
        QString text = value.toString();
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    }
    return value.toString();
}

// Processor time of the child processes that have ended and been waited for.
double ChildrenProcessorSeconds()
{
    struct rusage usage
    { };
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

SqliteCommand::SqliteCommand(QString databasePath)
    : program(QStandardPaths::findExecutable(QStringLiteral("sqlite3"))), databasePath(std::move(databasePath))
{
}

QString SqliteCommand::Script(const QString& statements, const QVariantList& values, int repeat, bool timed, bool quiet)
{
    // The client's connections run with synchronous=NORMAL; the shell does too.
    QString script = quiet ? QStringLiteral(".output /dev/null\n") : QString();
    script += QStringLiteral("PRAGMA synchronous=NORMAL;\n");
    if (!values.isEmpty())
        script += QStringLiteral(".parameter init\n");
    for (int i = 0; i < values.size(); ++i)
        script += QStringLiteral(".parameter set ?%1 %2\n").arg(i + 1).arg(Literal(values[i]));
    if (timed)
        script += QStringLiteral(".timer on\n");
    for (int i = 0; i < repeat; ++i)
        script += statements + QStringLiteral(";\n");
    return script;
}

double SqliteCommand::TimedSecondsPerRun(const QString& statements, const QVariantList& values, int repeat) const
{
    QProcess shell;
    shell.start(program, {QStringLiteral("-batch"), databasePath});
    shell.write(Script(statements, values, repeat, true).toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    // With the query output sent away, only the timer's lines are left:
    // "Run Time: real 0.012 user 0.011000 sys 0.000000", one per statement.
    const QList<QByteArray> lines = shell.readAllStandardOutput().split('\n');
    double total = 0;
    int timed = 0;
    for (const QByteArray& line : lines) {
        if (!line.startsWith("Run Time: real "))
            continue;
        total += line.mid(15, line.indexOf(' ', 15) - 15).toDouble();
        ++timed;
    }
    const int perRun = statements.split(QLatin1Char(';'), Qt::SkipEmptyParts).size();
    if (shell.exitCode() != 0 || timed != perRun * repeat)
        return -1;
    return total / repeat;
}

QString SqliteCommand::Answer(const QString& statements, const QVariantList& values) const
{
    QProcess shell;
    shell.start(program, {QStringLiteral("-batch"), databasePath});
    shell.write(Script(statements, values, 1, false, false).toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
}

double SqliteCommand::SecondsPerRun(const QString& statements, const QVariantList& values, int repeat,
                                    Clock clock) const
{
    const double work = RunSeconds(Script(statements, values, repeat), clock);
    const double start = RunSeconds(Script(statements, values, 0), clock);
    return std::max(0.0, work - start) / repeat;
}

double SqliteCommand::RunSeconds(const QString& script, Clock clock) const
{
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    const double processorBefore = ChildrenProcessorSeconds();
    QElapsedTimer timer;
    timer.start();
    shell.start(program, {QStringLiteral("-batch"), databasePath});
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    if (clock == Clock::Wall)
        return timer.nsecsElapsed() / 1e9;
    return ChildrenProcessorSeconds() - processorBefore;
}
