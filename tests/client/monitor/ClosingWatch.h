#pragma once
// Watches a client process that prints "@@closing" when it closes its window:
// its output until it ends, or until 2 s after that line, when it is killed.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>

struct ClosingWatch
{
    QByteArray output;
    bool closed = false;       // "@@closing" was printed
    bool ended = false;        // the process ended by itself
    qint64 shutdownMs = -1;    // from "@@closing" to the end (or to the kill)
};

inline ClosingWatch WatchUntilEnd(QProcess& client, qint64 limitMs)
{
    ClosingWatch watch;
    QElapsedTimer sinceClosing;
    QElapsedTimer sinceStart;
    sinceStart.start();
    while (client.state() != QProcess::NotRunning && sinceStart.elapsed() < limitMs) {
        client.waitForReadyRead(10);
        watch.output += client.readAllStandardOutput();
        if (!sinceClosing.isValid() && watch.output.contains("@@closing"))
            sinceClosing.start();
        if (sinceClosing.isValid() && sinceClosing.elapsed() > 2000)
            break;
    }
    watch.closed = sinceClosing.isValid();
    watch.ended = client.state() == QProcess::NotRunning;
    watch.shutdownMs = watch.closed ? sinceClosing.elapsed() : -1;
    if (!watch.ended) {
        client.kill();
        client.waitForFinished();
    }
    watch.output += client.readAllStandardOutput();
    return watch;
}
