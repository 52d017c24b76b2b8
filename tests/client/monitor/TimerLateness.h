#pragma once
// How long the GUI thread was kept from its events: the worst lateness of a
// 10 ms timer while the event loop runs.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

// Runs the event loop for `ms`; returns the timer's worst lateness in ms.
inline qint64 WorstTimerLatenessMs(int ms)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last - 10);
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    tick.start();
    loop.exec();
    return worst;
}
