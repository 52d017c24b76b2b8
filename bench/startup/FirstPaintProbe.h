#pragma once

#include <QCursor>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <ctime>

// Prints "@@sent" once the window's first frame has left the program for the
// X server, then "@@painted <CPU ms>" once the frame is on screen, and closes
// the window: the timing parent reads the lines from the pipe.
//
// On screen means painted while the window is exposed and drawn by the X
// server. A frame painted before the server has mapped the window is not
// seen: the expose that follows shows it (the backing store is flushed again),
// so that expose is the moment then. And the server draws the frame when it
// gets to it: a request with a reply is answered only after everything sent
// before it, so the probe asks for one before it reports. Both programs timed
// are probed alike, whichever order their paint and expose come in.
class FirstPaintProbe : public QObject
{
public:
    static constexpr const char* kSent = "@@sent";
    static constexpr const char* kPainted = "@@painted";

    explicit FirstPaintProbe(QWidget* window) : QObject(window), m_window(window) { window->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_reported)
            return false;
        QWindow* handle = m_window->windowHandle();
        if (watched == m_window && event->type() == QEvent::Show && handle)
            handle->installEventFilter(this);
        if (watched == m_window && event->type() == QEvent::Paint)
            m_painted = true;
        const bool shown = event->type() == QEvent::Paint || event->type() == QEvent::Expose;
        if (shown && m_painted && handle && handle->isExposed())
            ReportOnceDrawn();
        return false;
    }

private:
    void ReportOnceDrawn()
    {
        m_reported = true;
        // After the paint or expose under way has flushed the frame.
        QTimer::singleShot(0, m_window, [this] {
            std::printf("%s\n", kSent);
            std::fflush(stdout);
            QCursor::pos(); // a round trip to the X server
            std::printf("%s %.1f\n", kPainted, ProcessCpuMs());
            std::fflush(stdout);
            m_window->close();
        });
    }

    static double ProcessCpuMs()
    {
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        return double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6;
    }

    QWidget* m_window;
    bool m_painted = false;
    bool m_reported = false;
};
