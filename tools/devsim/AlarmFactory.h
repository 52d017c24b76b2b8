#pragma once
// Builds realistic alarms of a device: incidents, traffic parameters and
// violations, with packed device times, lanes, Chinese plates (GBK) and JPEGs.

#include "DeviceSpec.h"
#include "PictureBank.h"
#include "WireRecords.h"
#include "tessoran.h"

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace devsim {

enum class AlarmKind { Incident, TrafficParams, Violation };

class AlarmFactory
{
public:
    AlarmFactory(const DeviceSpec& device, const PictureBank& pictures);

    // Changes an alarm's records before encoding (malformed-alarm tests).
    using Spoiler = std::function<void(TSR_ALARMER& alarmer, void* record)>;

    // The encoded body of an Alarm frame.
    std::vector<uint8_t> make(AlarmKind kind, const QDateTime& now, const Spoiler& spoil = {},
                              const tessoran::wire::AlarmFaults& faults = {});

    static uint32_t packTime(const QDateTime& time);

private:
    void fillAlarmer(TSR_ALARMER& alarmer) const;
    void fillChannel(TSR_VCA_DEV_INFO& info);
    TSR_AID_ALARM incident(const QDateTime& now);
    TSR_TPS_ALARM trafficParams(const QDateTime& now);
    TSR_TFS_ALARM violation(const QDateTime& now);
    int pick(int lo, int hi);

    const DeviceSpec& device_;
    const PictureBank& pictures_;
    std::mt19937 random_;
};

} // namespace devsim
