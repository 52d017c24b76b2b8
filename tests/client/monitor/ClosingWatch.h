#pragma once
// Watches a client process that prints "@@closing" when it closes its window
// and "@@returning" just before its main returns. The close is timed between
// the two lines; what follows (static destructors, the sanitizers' exit scan)
// is waited for, not killed, so the process's own report is read whole.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>

struct ClosingWatch
{
    QByteArray output;      // standard output, and standard error when merged
    QByteArray errors;      // standard error when kept apart
    bool closed = false;    // "@@closing" was printed
    bool returned = false;  // "@@returning" followed it
    bool ended = false;     // the process ended by itself
    qint64 shutdownMs = -1; // from "@@closing" to "@@returning"

    // The lines a sanitizer reports with: a leak, a memory error, undefined behaviour.
    QList<QByteArray> SanitizerReports() const
    {
        QList<QByteArray> found;
        for (const QByteArray& line : (output + '\n' + errors).split('\n'))
            if (line.contains("ERROR: LeakSanitizer") || line.contains("ERROR: AddressSanitizer") ||
                line.contains("runtime error:") || (line.startsWith("SUMMARY: ") && line.contains("Sanitizer")))
                found << line;
        return found;
    }
};

// `limitMs` bounds the whole session; a close is given 10 s to reach the end of
// main (the tests ask for far less), and the exit after it 120 s.
inline ClosingWatch WatchUntilEnd(QProcess& client, qint64 limitMs)
{
    ClosingWatch watch;
    QElapsedTimer sinceClosing;
    QElapsedTimer sinceReturning;
    QElapsedTimer sinceStart;
    sinceStart.start();
    const bool separateErrors = client.processChannelMode() == QProcess::SeparateChannels;
    auto read = [&] {
        watch.output += client.readAllStandardOutput();
        if (separateErrors)
            watch.errors += client.readAllStandardError();
    };
    while (client.state() != QProcess::NotRunning && sinceStart.elapsed() < limitMs) {
        client.waitForReadyRead(10);
        read();
        if (!sinceClosing.isValid() && watch.output.contains("@@closing"))
            sinceClosing.start();
        if (sinceClosing.isValid() && !sinceReturning.isValid() &&
            watch.output.indexOf("@@returning", watch.output.indexOf("@@closing")) >= 0) {
            watch.shutdownMs = sinceClosing.elapsed();
            sinceReturning.start();
        }
        if (sinceClosing.isValid() && !sinceReturning.isValid() && sinceClosing.elapsed() > 10000)
            break;
        if (sinceReturning.isValid() && sinceReturning.elapsed() > 120000)
            break;
    }
    watch.closed = sinceClosing.isValid();
    watch.returned = sinceReturning.isValid();
    if (watch.closed && !watch.returned)
        watch.shutdownMs = sinceClosing.elapsed();
    if (client.state() != QProcess::NotRunning && watch.returned)
        client.waitForFinished(1000);
    watch.ended = client.state() == QProcess::NotRunning;
    if (!watch.ended) {
        client.kill();
        client.waitForFinished();
    }
    read();
    return watch;
}
