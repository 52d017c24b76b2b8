#pragma once

#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <functional>

// Checks `done` right after each paint of `widget` has gone out, and nowhere
// else: a polling wait would add its own sleep to the figure it times.
class AfterPaint : public QObject
{
public:
    AfterPaint(QWidget& widget, std::function<bool()> done, QEventLoop& loop) : m_done(std::move(done)), m_loop(loop)
    {
        widget.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, this, [this] {
                if (m_done())
                    m_loop.quit();
            });
        return false;
    }

private:
    std::function<bool()> m_done;
    QEventLoop& m_loop;
};

// Runs the event loop until a paint of `widget` leaves `done` true, or `ms` pass.
inline bool WaitForPaint(QWidget& widget, const std::function<bool()>& done, int ms)
{
    QEventLoop loop;
    AfterPaint probe(widget, done, loop);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}
