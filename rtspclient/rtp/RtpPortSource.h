#pragma once
#include <cstdint>

// Where a track takes its local port pairs (P for RTP, P + 1 for RTCP) from
// and gives them back to: the library's port pool with its TCP and UDP
// candidate lists, installed at library initialisation. Without a pool no
// port is handed out (0), as without a port range from the caller.
class RtpPortSource {
public:
    struct Pool {
        uint16_t (*takeTcp)();
        uint16_t (*takeUdp)();
        void (*giveBackTcp)(uint16_t port);
        void (*giveBackUdp)(uint16_t port);
    };

    static void Install(const Pool* pool);
    static uint16_t TakeTcpPort();
    static uint16_t TakeUdpPort();
    static void GiveBackTcpPort(uint16_t port);
    static void GiveBackUdpPort(uint16_t port);
};
