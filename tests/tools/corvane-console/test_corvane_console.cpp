#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool WaitForLine(QProcess& process, const QByteArray& text, QByteArray* seen, int msecs)
{
    QElapsedTimer timer;
    timer.start();
    while (!seen->contains(text) && timer.elapsed() < msecs) {
        process.waitForReadyRead(200);
        *seen += process.readAllStandardOutput();
    }
    return seen->contains(text);
}

// One simulated device with two cameras, registered in a fresh database; the
// console logs into it and prints the alarms it pushes.
TEST(CorvaneConsole, LogsIntoStoredDevicesAndPrintsTheirAlarms)
{
    QTemporaryDir appDir;
    const QString database = appDir.path() + "/Corvane.db";
    QProcess sqlite;
    sqlite.setStandardInputFile(SCHEMA);
    sqlite.start("sqlite3", {database});
    ASSERT_TRUE(sqlite.waitForFinished(30000));
    ASSERT_EQ(sqlite.exitCode(), 0);

    const quint16 devicePort = testsupport::freePort();
    const quint16 alarmPort = testsupport::freePort();
    const QString subnet = QString::number(testsupport::privateSubnet());
    QProcess devices;
    devices.start(DEVSIM, {"--devices", "1", "--cameras", "2", "--first-subnet", subnet, "--port",
                           QString::number(devicePort), "--alarm-port", QString::number(alarmPort),
                           "--alarm-rate", "5", "--client-db", database});
    QByteArray simulatorOutput;
    ASSERT_TRUE(WaitForLine(devices, "alarms go to", &simulatorOutput, 30000)) << simulatorOutput.constData();

    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CORVANE_APP_DIR", appDir.path());
    console.setProcessEnvironment(environment);
    console.start(CONSOLE, {"--port", QString::number(alarmPort), "--seconds", "6"});
    ASSERT_TRUE(console.waitForFinished(60000));
    devices.terminate();
    devices.waitForFinished(10000);

    const QString output = QString::fromUtf8(console.readAllStandardOutput());
    EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(console.exitCode(), 0);
    const QString device = QString("127.0.%1.1").arg(subnet);
    EXPECT_TRUE(output.contains(QString("device %1 \"").arg(device))) << output.toStdString();
    EXPECT_TRUE(output.contains("logged in, 2 channels")) << output.toStdString();
    EXPECT_TRUE(output.contains(QString("listening for alarms on port %1").arg(alarmPort))) << output.toStdString();
    EXPECT_TRUE(output.contains(QString(", device %1 camera 127.0.%2.").arg(device, subnet))) << output.toStdString();
}

TEST(CorvaneConsole, BusyListenerPortIsReported)
{
    QTemporaryDir appDir;
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));

    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CORVANE_APP_DIR", appDir.path());
    console.setProcessEnvironment(environment);
    console.start(CONSOLE, {"--port", QString::number(occupant.serverPort()), "--seconds", "5"});
    ASSERT_TRUE(console.waitForFinished(60000));

    EXPECT_EQ(console.exitCode(), 1);
    EXPECT_TRUE(console.readAllStandardOutput().contains("cannot listen for alarms on port"));
    EXPECT_TRUE(QFile::exists(appDir.path() + "/Corvane.db")) << "a missing database is created";
}

} // namespace
