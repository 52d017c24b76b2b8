// Closing the client while the simulator fires alarms at 500 a second, and
// while a login pass waits for a device that does not answer: the program
// must end within 2 s with every worker joined. The client runs as a child
// process (this executable with --client), started as `main` starts it.

#include "ClientFolder.h"
#include "ClosingWatch.h"

#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

namespace {

// The client's side: closes the window once alarms flow (and, with
// --wait-for-pass, while the login pass is still under way), reports the
// moments as lines starting with "@@".
int RunClosingClient(int argc, char** argv)
{
    static std::atomic<int> alarms{0};
    return RunClient(argc, argv, [](const QStringList& arguments) {
        ClientStartOptions options = ParseClientOptions(arguments);
        const bool waitForPass = arguments.contains(QStringLiteral("--wait-for-pass"));
        options.onWindowBuilt = [waitForPass](Corvane& window) {
            QObject::connect(
                &window, &Corvane::DealIncidentTableSig, &window, [] { ++alarms; }, Qt::DirectConnection);
            // Other tests share the X server; stay below their windows.
            QTimer::singleShot(0, &window, [&window] { window.lower(); });
            auto* poll = new QTimer(&window);
            QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, waitForPass] {
                const bool passUnderWay = TreeOf(window)->Workers().Count() >= 2; // cleaning worker + login pass
                if (alarms < 200 || TreeOf(window)->LoggedInDevices().isEmpty() || (waitForPass && !passUnderWay))
                    return;
                poll->stop();
                std::printf("@@closing alarms=%d pass=%d\n", alarms.load(), passUnderWay ? 1 : 0);
                std::fflush(stdout);
                window.close();
                std::printf("@@closed workers=%d\n", TreeOf(window)->Workers().Count());
                std::fflush(stdout);
            });
            poll->start(20);
        };
        return options;
    });
}

class CorvaneShutdownTest : public ::testing::TestWithParam<bool>
{ };

TEST_P(CorvaneShutdownTest, ClosingEndsTheProcessWithinTwoSeconds)
{
    const bool duringLoginPass = GetParam();
    ClientFolder folder;
    const uint16_t alarmPort = testsupport::reservePort();
    std::vector<devsim::DeviceSpec> devices = SimulatedDevices(duringLoginPass ? 2 : 1, 2, alarmPort);
    devsim::Simulator simulator;
    std::string error;
    ASSERT_TRUE(simulator.start(devices, devsim::Simulator::defaultClipPath(), error)) << error;
    ASSERT_TRUE(folder.StoreDevices(devices));
    simulator.devices().at(0)->setAlarmRate(500);
    if (duringLoginPass)
        simulator.devices().at(1)->stall(true); // its login waits for an answer that never comes

    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVANE_APP_DIR"), folder.Path());
    client.setProcessEnvironment(environment);
    client.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList arguments{QStringLiteral("--client"), QStringLiteral("--alarm-port"), QString::number(alarmPort)};
    if (duringLoginPass)
        arguments << QStringLiteral("--wait-for-pass");
    client.start(QCoreApplication::applicationFilePath(), arguments);
    ASSERT_TRUE(client.waitForStarted());

    const ClosingWatch watch = WatchUntilEnd(client, 60000);
    const QByteArray& output = watch.output;
    simulator.stop();

    ASSERT_TRUE(watch.closed) << "the client never got to close:\n" << output.right(2000).constData();
    EXPECT_TRUE(watch.returned) << "main never returned after the window closed";
    EXPECT_LE(watch.shutdownMs, 2000);
    EXPECT_TRUE(watch.ended) << "still running long after main returned";
    EXPECT_TRUE(watch.SanitizerReports().isEmpty()) << watch.errors.right(20000).constData();
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);
    EXPECT_TRUE(output.contains("@@closed workers=0")) << output.right(2000).constData();
    if (duringLoginPass) {
        EXPECT_TRUE(output.contains("pass=1"));
    }
}

INSTANTIATE_TEST_SUITE_P(Client, CorvaneShutdownTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "AlarmBurstDuringLoginPass" : "AlarmBurst";
                         });

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--client") {
            const int result = RunClosingClient(argc, argv);
            std::printf("@@returning %d\n", result);
            std::fflush(stdout);
            return result;
        }
    return testsupport::runTestsWithApplication<QGuiApplication>(argc, argv);
}
