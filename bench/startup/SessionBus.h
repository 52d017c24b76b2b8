#pragma once

#include <QProcess>
#include <QString>

// A D-Bus session bus of the benchmark's own, as every desktop session has one.
// Without it Qt's accessibility bridge, which every window start asks for the
// session bus, makes D-Bus try to launch one: a fork of the whole program
// being timed, costlier the bigger the program. That is a cost of the test
// machine, not of a start on an operator's desktop, so both programs timed
// run with this bus.
class SessionBus
{
public:
    SessionBus()
    {
        daemon.setStandardErrorFile(QProcess::nullDevice());
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted(5000))
            return;
        while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) { }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }

    ~SessionBus()
    {
        daemon.kill();
        daemon.waitForFinished();
    }

    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Empty when the bus did not start.
    QString Address() const { return address; }

private:
    QProcess daemon;
    QString address;
};
