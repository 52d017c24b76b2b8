#include "DeviceProcess.h"

#include "../OneDeviceLayout.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

// Paces the device's alarms from a thread of its own, so the parent's
// questions never hold the pace back.
class Driver
{
public:
    explicit Driver(devsim::SimDevice& device) : device(device) { }
    ~Driver() { Join(); }

    void Start(int seconds, int perSecond)
    {
        Join();
        firing = true;
        thread = std::thread([this, seconds, perSecond] {
            const int batch = std::max(1, perSecond / 100);
            auto next = std::chrono::steady_clock::now();
            for (int fired = 0; fired < seconds * perSecond; fired += batch) {
                device.fireAlarms(devsim::AlarmKind::Incident, batch);
                next += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(next);
            }
            firing = false;
        });
    }
    bool Firing() const { return firing; }

private:
    void Join()
    {
        if (thread.joinable())
            thread.join();
    }

    devsim::SimDevice& device;
    std::atomic<bool> firing{false};
    std::thread thread;
};

} // namespace

DeviceProcess::~DeviceProcess()
{
    Stop();
}

bool DeviceProcess::Start(const devsim::Layout& layout, int pictureBytes, std::string& error)
{
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kDeviceArgument), QString::number(layout.port), QString::number(layout.alarmPort),
                 QString::number(layout.firstSubnet), QString::number(pictureBytes)});
    if (!child.waitForStarted()) {
        error = "the device process did not start";
        return false;
    }
    const std::string ready = ReadLine();
    if (ready != "ready") {
        error = ready.empty() ? "the device process ended before it was ready" : ready;
        return false;
    }
    return true;
}

std::string DeviceProcess::ReadLine()
{
    while (!child.canReadLine())
        if (!child.waitForReadyRead(-1))
            return {};
    return child.readLine().trimmed().toStdString();
}

std::string DeviceProcess::Ask(const std::string& line)
{
    if (child.state() != QProcess::Running)
        return {};
    child.write(QByteArray::fromStdString(line + "\n"));
    return ReadLine();
}

void DeviceProcess::Drive(int seconds, int perSecond)
{
    Ask("drive " + std::to_string(seconds) + " " + std::to_string(perSecond));
}

void DeviceProcess::Fire(int count)
{
    Ask("fire " + std::to_string(count));
}

DeviceProcess::Status DeviceProcess::Query()
{
    std::istringstream answer(Ask("status"));
    Status status;
    int firing = 0;
    answer >> status.sent >> firing;
    status.firing = firing != 0;
    return status;
}

void DeviceProcess::Stop()
{
    if (child.state() == QProcess::NotRunning)
        return;
    Ask("stop");
    child.closeWriteChannel();
    child.waitForFinished(-1);
}

int DeviceProcess::RunChild(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the pictures' captions are drawn with fonts
    const devsim::Layout layout = OneDeviceLayout(1, static_cast<uint16_t>(std::stoi(argv[2])),
                                                  static_cast<uint16_t>(std::stoi(argv[3])), std::stoi(argv[4]));
    devsim::Simulator simulator;
    simulator.setPictureBytes(static_cast<size_t>(std::stoul(argv[5])));
    std::string error;
    if (!simulator.start(devsim::Simulator::devicesFor(layout), devsim::Simulator::defaultClipPath(), error)) {
        std::cout << "the simulator did not start: " << error << std::endl;
        return 1;
    }
    devsim::SimDevice& device = *simulator.devices().at(0);
    Driver driver(device);
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "drive") {
            int seconds = 0, perSecond = 0;
            words >> seconds >> perSecond;
            driver.Start(seconds, perSecond);
        } else if (command == "fire") {
            int count = 0;
            words >> count;
            device.fireAlarms(devsim::AlarmKind::Incident, count);
        } else if (command == "status") {
            std::cout << device.alarmsSent() << " " << (driver.Firing() ? 1 : 0) << std::endl;
            continue;
        } else if (command == "stop") {
            std::cout << "stopping" << std::endl;
            break;
        }
        std::cout << "ok" << std::endl;
    }
    simulator.stop();
    return 0;
}
