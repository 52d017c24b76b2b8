#pragma once
// The layout of the single simulated device the alarm benchmarks push from:
// alarms only on demand, to the listener at `alarmPort`.

#include "Simulator.h"

#include <cstdint>

inline devsim::Layout OneDeviceLayout(int cameras, uint16_t devicePort, uint16_t alarmPort, int subnet)
{
    devsim::Layout layout;
    layout.devices = 1;
    layout.camerasPerDevice = cameras;
    layout.port = devicePort;
    layout.alarmPort = alarmPort;
    layout.alarmsPerSecond = 0;
    layout.firstSubnet = subnet;
    return layout;
}
