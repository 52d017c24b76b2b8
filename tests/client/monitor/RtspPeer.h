#pragma once
// An RTSP server run as a child process for the client's tests: GStreamer's
// (corvane-test-rtsp-server) or the scripted one. It prints "READY <port>"
// once it listens; every later line of its output is kept, so a test can
// wait for the TEARDOWNs the server reports.

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <csignal>

class RtspPeer
{
public:
    RtspPeer() = default;
    RtspPeer(const RtspPeer&) = delete;
    RtspPeer& operator=(const RtspPeer&) = delete;
    ~RtspPeer() { Stop(); }

    // Starts the program and waits for its READY line; false when it does not come.
    bool Start(const QString& program, const QStringList& arguments, int timeoutMs = 20000)
    {
        Stop();
        lines.clear();
        port = 0;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { ReadLines(); });
        process.start();
        if (!process.waitForStarted(timeoutMs))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (port == 0 && clock.elapsed() < timeoutMs && process.state() == QProcess::Running) {
            process.waitForReadyRead(100);
            ReadLines();
        }
        return port != 0;
    }

    // SIGKILL: the server vanishes as a crashed one does.
    void Kill()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished(5000);
        }
        process.disconnect();
    }

    void Stop()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                Kill();
        }
        process.disconnect();
    }

    int Port() const { return port; }
    QString Url(const QString& path) const { return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port).arg(path); }
    // Output lines after READY that start with `prefix`, including those
    // written but not yet read.
    int Count(const QString& prefix)
    {
        if (process.state() == QProcess::Running)
            process.waitForReadyRead(0);
        ReadLines();
        int count = 0;
        for (const QString& line : lines)
            count += line.startsWith(prefix);
        return count;
    }

private:
    void ReadLines()
    {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (port == 0 && line.startsWith(QLatin1String("READY ")))
                port = line.mid(6).toInt();
            else
                lines << line;
        }
    }

    QProcess process;
    QStringList lines;
    int port = 0;
};
