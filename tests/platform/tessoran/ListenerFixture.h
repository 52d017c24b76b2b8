#pragma once
// A running SDK logged into the simulated device, a listener whose callback
// keeps the alarms it gets (re-encoded, so they compare with what the device
// sent), and the SDK's log lines.

#include "ListenerPeers.h"
#include "SdkFixture.h"
#include "WireRecords.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

class ListenerFixture : public SdkFixture
{
protected:
    void SetUp() override
    {
        SdkFixture::SetUp();
        device().setAlarmSentHook([this](const std::vector<uint8_t>& body) {
            std::lock_guard<std::mutex> lock(mutex_);
            sent_.push_back(body);
        });
    }
    void TearDown() override
    {
        SdkFixture::TearDown();
        // Limits are process-wide: the next test starts from the defaults.
        TSR_Init();
        TSR_SetListenLimits(300, 10000, 64u << 20);
        TSR_Cleanup();
    }

    int32_t loginDeviceOrFail()
    {
        int32_t id = loginDevice();
        EXPECT_GE(id, 0) << TSR_GetErrorMsg(nullptr);
        return id;
    }
    int32_t listen(const char* address = "127.0.0.1")
    {
        int32_t handle = TSR_StartListen(address, listenPort_, &ListenerFixture::keep, this);
        EXPECT_GE(handle, 0) << TSR_GetErrorMsg(nullptr);
        return handle;
    }
    size_t receivedCount()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_.size();
    }
    std::vector<std::vector<uint8_t>> received()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    std::vector<std::vector<uint8_t>> sent()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return sent_;
    }

    // The identities the callback was given, in the order of its calls.
    std::vector<TSR_ALARM_IDENTITY> identities()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return identities_;
    }

    std::atomic<bool> gateOpen_{true};
    // While above 0, the callback refuses (returns 0) and counts down.
    std::atomic<int> refuseNext_{0};
    std::atomic<int> callbackCalls_{0};
    testsupport::SdkLogLines log_;

private:
    static TSR_BOOL keep(int32_t command, const TSR_ALARMER* alarmer, const char* body, uint32_t, void* user)
    {
        auto* self = static_cast<ListenerFixture*>(user);
        while (!self->gateOpen_)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++self->callbackCalls_;
        TSR_ALARM_IDENTITY identity{};
        const bool known = TSR_GetDeliveredAlarm(&identity);
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (known)
            self->identities_.push_back(identity);
        if (self->refuseNext_ > 0) {
            --self->refuseNext_;
            return 0;
        }
        self->received_.push_back(tessoran::wire::encodeAlarm(command, *alarmer, body));
        return 1;
    }

    std::mutex mutex_;
    std::vector<TSR_ALARM_IDENTITY> identities_;
    std::vector<std::vector<uint8_t>> sent_;
    std::vector<std::vector<uint8_t>> received_;
};
