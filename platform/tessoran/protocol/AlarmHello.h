#pragma once
// The first frame of a device on an alarm connection: who it is, the run its
// alarm numbers belong to, and its proof over the listener's nonce.

#include "LoginProof.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessoran::wire {

struct AlarmHello
{
    std::string address; // the device's IPv4 text, as the client logged into it
    uint16_t port = 0;   // the device's login port
    std::string user;
    // Alarm numbers restart at 1 with every run of the device; a new run id tells
    // the listener not to take them for repeats of the last run's.
    uint64_t runId = 0;
    Proof proof{};

    // The bytes the proof covers: every field before it, as sent.
    std::string signedFields() const;
    std::vector<uint8_t> encode() const;
    void sign(const std::string& password, const Nonce& listenerNonce);
};

bool decodeAlarmHello(const std::vector<uint8_t>& body, AlarmHello& out, std::string& why);

// Body of AlarmAccepted: the last alarm number of this run already delivered
// (0 for none), so the device can forget what it kept of them.
std::vector<uint8_t> encodeAlarmAccepted(uint32_t lastDelivered);
bool decodeAlarmAccepted(const std::vector<uint8_t>& body, uint32_t& lastDelivered);

} // namespace tessoran::wire
