#pragma once
#include <cstdint>

// Where a track takes its local port pairs from and gives them back to: the
// library's port pool, with its TCP and UDP candidate lists. 0 = none free.
class RtpPortSource {
public:
    static uint16_t TakeTcpPort();
    static uint16_t TakeUdpPort();
    static void GiveBackTcpPort(uint16_t port);
    static void GiveBackUdpPort(uint16_t port);
};
