#pragma once
// The simulated device of bench_alarm_road in a child process of its own, so
// that the client's CPU time and resident memory are measured without the
// device's: a device keeps up to a thousand unacknowledged 150 KiB alarms,
// which in the same process would count as the client's growth. The child is
// this program started again with kDeviceArgument; the two talk in lines over
// its standard input and output.

#include "Simulator.h"

#include <QProcess>

#include <cstddef>
#include <string>

class DeviceProcess
{
public:
    static constexpr const char* kDeviceArgument = "--simulated-device";

    struct Status
    {
        size_t sent = 0;
        bool firing = false;
    };

    DeviceProcess() = default;
    ~DeviceProcess();
    DeviceProcess(const DeviceProcess&) = delete;
    DeviceProcess& operator=(const DeviceProcess&) = delete;

    // Starts the child playing the first device of `layout` and waits until it
    // serves logins; false with the reason. The application object must exist.
    bool Start(const devsim::Layout& layout, int pictureBytes, std::string& error);
    // The child fires `perSecond` alarms a second in 10 ms batches for `seconds`.
    void Drive(int seconds, int perSecond);
    // The child queues `count` alarms at once.
    void Fire(int count);
    Status Query();
    // Asks the child to end and waits for it.
    void Stop();

    // The child's side: serves the parent's lines until it is told to stop.
    static int RunChild(int argc, char** argv);

private:
    // One line to the child and its answer; empty once the child is gone.
    std::string Ask(const std::string& line);
    std::string ReadLine();

    QProcess child;
};
