#pragma once
// A running SDK and a simulator with one device and its cameras, on a private
// loopback subnet and free ports.

#include "Simulator.h"
#include "TestSupport.h"
#include "tessoran.h"

#include <cstring>
#include <string>
#include <vector>

class SdkFixture : public ::testing::Test
{
protected:
    static constexpr uint32_t kConnectMs = 1000;
    static constexpr uint32_t kReplyMs = 2000;
    static constexpr uint32_t kHeartbeatMs = 300;

    void SetUp() override
    {
        ASSERT_TRUE(TSR_Init());
        ASSERT_TRUE(TSR_SetNetworkTimes(kConnectMs, kReplyMs, kHeartbeatMs));
        listenPort_ = testsupport::reservePort();
        devsim::Layout layout;
        layout.devices = deviceCount();
        layout.camerasPerDevice = 2;
        layout.port = testsupport::reservePort();
        layout.alarmPort = listenPort_;
        layout.alarmsPerSecond = 0;
        layout.firstSubnet = testsupport::privateSubnet();
        std::vector<devsim::DeviceSpec> specs = devsim::Simulator::devicesFor(layout);
        customize(specs);
        std::string error;
        ASSERT_TRUE(sim_.start(specs, devsim::Simulator::defaultClipPath(), error)) << error;
    }

    void TearDown() override
    {
        TSR_Cleanup();
        sim_.stop();
    }

    virtual void customize(std::vector<devsim::DeviceSpec>&) { }
    virtual int deviceCount() const { return 1; }

    devsim::SimDevice& device() { return *sim_.devices().at(0); }
    const devsim::DeviceSpec& deviceSpec() { return device().spec(); }
    devsim::SimDevice& camera(size_t i = 0) { return *sim_.find(deviceSpec().cameras.at(i).address); }

    static int32_t login(const std::string& address, uint16_t port, const std::string& user,
                         const std::string& password, TSR_DEVICEINFO* info = nullptr)
    {
        TSR_USER_LOGIN_INFO request{};
        std::strncpy(request.sDeviceAddress, address.c_str(), sizeof request.sDeviceAddress - 1);
        request.wPort = port;
        std::strncpy(request.sUserName, user.c_str(), sizeof request.sUserName - 1);
        std::strncpy(request.sPassword, password.c_str(), sizeof request.sPassword - 1);
        return TSR_Login(&request, info);
    }
    int32_t loginDevice(TSR_DEVICEINFO* info = nullptr)
    {
        const devsim::DeviceSpec& d = deviceSpec();
        return login(d.address, d.port, d.user, d.password, info);
    }
    int32_t loginCamera(size_t i = 0)
    {
        const devsim::CameraSpec& c = deviceSpec().cameras.at(i);
        return login(c.address, c.port, c.user, c.password);
    }

    devsim::Simulator sim_;
    uint16_t listenPort_ = 0;
};
