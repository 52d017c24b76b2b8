#pragma once
// What one simulated device (or camera) is: where it listens, who may log in,
// which cameras its IP-channel configuration lists, where it pushes alarms.

#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

struct CameraSpec
{
    std::string address;
    uint16_t port = 8000;
    std::string user = "admin";
    std::string password = "cam12345";
    bool enabled = true; // a disabled entry is listed in the configuration but not served
};

struct DeviceSpec
{
    std::string name;
    std::string serial;
    std::string address; // loopback address, 127.0.x.y
    uint16_t port = 8000;
    std::string user = "admin";
    std::string password = "dev12345";
    std::vector<CameraSpec> cameras; // served as devices of their own, too
    std::string alarmHost;           // listener to push alarms to; empty: no alarms
    uint16_t alarmPort = 0;
    double alarmsPerSecond = 0; // 0: alarms only on demand
    int lanes = 4;              // lanes of the road the device watches, 1 to 8
    uint32_t seed = 1;          // alarm contents are reproducible per seed
};

} // namespace devsim
