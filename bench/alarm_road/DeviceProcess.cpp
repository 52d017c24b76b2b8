#include "DeviceProcess.h"

#include "../OneDeviceLayout.h"

#include <QGuiApplication>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string ReadLine(int fd)
{
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            return line;
        line.push_back(c);
    }
}

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
    int down[2], up[2];
    if (::pipe2(down, O_CLOEXEC) != 0 || ::pipe2(up, O_CLOEXEC) != 0) {
        error = "no pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, down[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, up[1], STDOUT_FILENO);
    const std::vector<std::string> words = {"bench_alarm_road",
                                            kDeviceArgument,
                                            std::to_string(layout.port),
                                            std::to_string(layout.alarmPort),
                                            std::to_string(layout.firstSubnet),
                                            std::to_string(pictureBytes)};
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(down[0]);
    ::close(up[1]);
    toChild = down[1];
    fromChild = up[0];
    if (spawned != 0) {
        pid = -1;
        error = "the device process did not start";
        return false;
    }
    const std::string ready = ReadLine(fromChild);
    if (ready != "ready") {
        error = ready.empty() ? "the device process ended before it was ready" : ready;
        return false;
    }
    return true;
}

std::string DeviceProcess::Ask(const std::string& line)
{
    if (toChild < 0 || !WriteAll(toChild, line + "\n"))
        return {};
    return ReadLine(fromChild);
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
    if (pid > 0) {
        Ask("stop");
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        pid = -1;
    }
    for (int* fd : {&toChild, &fromChild})
        if (*fd >= 0)
            ::close(std::exchange(*fd, -1));
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
