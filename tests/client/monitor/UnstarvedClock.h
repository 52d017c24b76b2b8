#pragma once
// Wall time of the calling thread less the time it stood ready but got no CPU.
// On a loaded machine the scheduler alone can keep the GUI thread off a core
// for hundreds of ms; what the code controls is the rest: its own work and its
// own waits.

#include <QElapsedTimer>

#include <algorithm>
#include <QFile>

#include <QtGlobal>

class UnstarvedClock
{
public:
    UnstarvedClock() { start(); }

    void start()
    {
        wall.start();
        queuedAtStart = RunQueueWaitNs();
    }

    // Milliseconds since start() that the thread was running or blocked by choice.
    qint64 elapsed() const
    {
        const qint64 starvedMs = (RunQueueWaitNs() - queuedAtStart) / 1000000;
        return std::max<qint64>(0, wall.elapsed() - starvedMs);
    }

    qint64 restart()
    {
        const qint64 result = elapsed();
        start();
        return result;
    }

    // Nanoseconds this thread has waited on a run queue (second field of schedstat);
    // 0 where the kernel does not keep the figure, which leaves plain wall time.
    static qint64 RunQueueWaitNs()
    {
        QFile file(QStringLiteral("/proc/thread-self/schedstat"));
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QList<QByteArray> fields = file.readAll().simplified().split(' ');
        return fields.size() >= 2 ? fields.at(1).toLongLong() : 0;
    }

private:
    QElapsedTimer wall;
    qint64 queuedAtStart = 0;
};
