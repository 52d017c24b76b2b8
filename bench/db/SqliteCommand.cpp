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
    struct rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

SqliteCommand::SqliteCommand(QString databasePath)
    : program(QStandardPaths::findExecutable(QStringLiteral("sqlite3")))
    , databasePath(std::move(databasePath))
{
}

QString SqliteCommand::Script(const QString& statements, const QVariantList& values, int repeat)
{
    // The client's connections run with synchronous=NORMAL; the shell does too.
    QString script = QStringLiteral(".output /dev/null\nPRAGMA synchronous=NORMAL;\n");
    if (!values.isEmpty())
        script += QStringLiteral(".parameter init\n");
    for (int i = 0; i < values.size(); ++i)
        script += QStringLiteral(".parameter set ?%1 %2\n").arg(i + 1).arg(Literal(values[i]));
    for (int i = 0; i < repeat; ++i)
        script += statements + QStringLiteral(";\n");
    return script;
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
