#pragma once

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

// Prints "@@painted" right after a window's first paint has gone out, then
// closes the window: the timing parent reads the line from the pipe.
class FirstPaintProbe : public QObject
{
public:
    static constexpr const char* kPainted = "@@painted";

    explicit FirstPaintProbe(QWidget* window) : QObject(window), m_window(window) { window->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            QTimer::singleShot(0, m_window, [this] {
                std::printf("%s\n", kPainted);
                std::fflush(stdout);
                m_window->close();
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_reported = false;
};
