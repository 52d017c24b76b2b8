#pragma once
// A running SDK logged into the simulated device, a listener whose callback
// keeps the alarms it gets (re-encoded, so they compare with what the device
// sent), or holds them and keeps them when their round is stored, and the
// SDK's log lines.

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
    // A listener whose callback holds each alarm for its round; the round-end
    // callback stores them (keeps them in received()) unless told otherwise.
    int32_t listenHolding(bool withRoundEnd = true)
    {
        hold_ = true;
        if (withRoundEnd)
            TSR_SetAlarmRoundCallBack(&ListenerFixture::endRound, this);
        return listen();
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

    static bool allAcknowledged(devsim::SimDevice& device, size_t alarms)
    {
        return device.alarmsSent() == alarms && device.alarmsUnacknowledged() == 0;
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
    // Round ends wait while closed; while above 0 they refuse and count down.
    std::atomic<bool> roundGateOpen_{true};
    std::atomic<bool> inRoundEnd_{false};
    // Held alarms of the rounds whose end began: callbacks beyond them belong
    // to a round still being delivered.
    std::atomic<int> heldInRoundEnds_{0};
    std::atomic<int> refuseRounds_{0};
    // Rounds ended with TSR_ALARM_ROUND_DROPPED.
    std::atomic<int> droppedRounds_{0};
    testsupport::SdkLogLines log_;

    // The number of held alarms of each round end, in order.
    std::vector<uint32_t> roundSizes()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return roundSizes_;
    }

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
        if (self->hold_) {
            self->held_.push_back(tessoran::wire::encodeAlarm(command, *alarmer, body));
            return TSR_ALARM_HELD;
        }
        self->received_.push_back(tessoran::wire::encodeAlarm(command, *alarmer, body));
        return 1;
    }

    // A round ends the alarms held first; the next round's may be held already.
    static TSR_BOOL endRound(uint32_t held, void* user)
    {
        auto* self = static_cast<ListenerFixture*>(user);
        self->heldInRoundEnds_ += static_cast<int>(held & ~TSR_ALARM_ROUND_DROPPED);
        self->inRoundEnd_ = true;
        while (!self->roundGateOpen_)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->inRoundEnd_ = false;
        const bool dropped = (held & TSR_ALARM_ROUND_DROPPED) != 0;
        held &= ~TSR_ALARM_ROUND_DROPPED;
        if (held > self->held_.size()) {
            ADD_FAILURE() << "a round of " << held << " ends, but only " << self->held_.size() << " alarms are held";
            self->held_.clear();
            return 0;
        }
        std::vector<std::vector<uint8_t>> round(self->held_.begin(), self->held_.begin() + held);
        self->held_.erase(self->held_.begin(), self->held_.begin() + held);
        if (dropped) {
            ++self->droppedRounds_;
            return 0;
        }
        self->roundSizes_.push_back(held);
        if (self->refuseRounds_ > 0) {
            --self->refuseRounds_;
            return 0;
        }
        self->received_.insert(self->received_.end(), round.begin(), round.end());
        return 1;
    }

    std::mutex mutex_;
    std::vector<TSR_ALARM_IDENTITY> identities_;
    std::vector<std::vector<uint8_t>> sent_;
    std::vector<std::vector<uint8_t>> received_;
    std::atomic<bool> hold_{false};
    std::vector<std::vector<uint8_t>> held_;
    std::vector<uint32_t> roundSizes_;
};
