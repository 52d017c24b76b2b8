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

    const quint16 devicePort = testsupport::reservePort();
    const quint16 alarmPort = testsupport::reservePort();
    const QString subnet = QString::number(testsupport::privateSubnet());
    QProcess devices;
    devices.start(DEVSIM,
                  {"--devices", "1", "--cameras", "2", "--first-subnet", subnet, "--port", QString::number(devicePort),
                   "--alarm-port", QString::number(alarmPort), "--alarm-rate", "5", "--client-db", database});
    QByteArray simulatorOutput;
    ASSERT_TRUE(WaitForLine(devices, "alarms go to", &simulatorOutput, 30000)) << simulatorOutput.constData();
    // A name that would forge a line and clear the terminal if printed raw.
    QProcess rename;
    rename.start("sqlite3", {database, "update DeviceInfo set deviceName = 'Gate' || char(10) || "
                                       "'forged line' || char(27) || '[2J'"});
    ASSERT_TRUE(rename.waitForFinished(30000));
    ASSERT_EQ(rename.exitCode(), 0);

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
    EXPECT_TRUE(output.contains(QString("device %1 \"Gate\\x0aforged line\\x1b[2J\" logged in").arg(device)))
        << output.toStdString();
    EXPECT_FALSE(output.contains("\nforged line")) << output.toStdString();
    EXPECT_FALSE(output.contains(QChar(27)));
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

QProcessEnvironment AppDirEnvironment(const QString& appDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CORVANE_APP_DIR", appDir);
    return environment;
}

TEST(CorvaneConsole, RefusesNumbersOutsideTheirRanges)
{
    const struct
    {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"--port", "70000"}, "--port must be a whole number from 1 to 65535, not \"70000\""},
        {{"--port", "0"}, "--port must be a whole number from 1 to 65535, not \"0\""},
        {{"--port", "4464x"}, "--port must be a whole number from 1 to 65535, not \"4464x\""},
        {{"--seconds", "-5"}, "--seconds must be a whole number from 1 to 2147483, not \"-5\""},
        {{"--seconds", "9999999"}, "--seconds must be a whole number from 1 to 2147483, not \"9999999\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QTemporaryDir appDir;
        QProcess console;
        console.setProcessEnvironment(AppDirEnvironment(appDir.path()));
        console.start(CONSOLE, c.arguments);
        ASSERT_TRUE(console.waitForFinished(30000)) << "a refused value must not leave it running";
        EXPECT_EQ(console.exitCode(), 2);
        const QByteArray error = console.readAllStandardError();
        EXPECT_TRUE(error.contains(c.message)) << error.constData();
        EXPECT_FALSE(console.readAllStandardOutput().contains("listening"));
    }
}

TEST(CorvaneConsole, AFolderForDumpsThatCannotBeMadeIsReported)
{
    QTemporaryDir appDir;
    QFile blocker(appDir.path() + "/ExceptionDump");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QProcess console;
    console.setProcessEnvironment(AppDirEnvironment(appDir.path()));
    console.start(CONSOLE, {"--port", QString::number(testsupport::reservePort()), "--seconds", "1"});
    ASSERT_TRUE(console.waitForFinished(60000));
    const QByteArray output = console.readAllStandardOutput();
    EXPECT_TRUE(output.contains("cannot create the crash dump folder " + appDir.path().toUtf8() + "/ExceptionDump"))
        << output.constData();
}

} // namespace
