#ifndef PELLMAR_CPORTPOOL_H
#define PELLMAR_CPORTPOOL_H

#include <cstdint>
#include <list>
#include <vector>

#include "ZMR_Mutex.h"

// Hands out local port pairs (P for RTP, P + 1 for RTCP) from two candidate
// lists, one for tracks on their own TCP connections and one for UDP. A pair
// is tested by binding both ports before it is handed out; the test runs
// outside the list's lock, and a port under test is in nobody's list, so two
// callers never receive the same port.
class CPortPool
{
public:
    CPortPool() = default;

    // Fills the lists once. Refused (-1) when a candidate pair of either
    // range would pass 65535, so no port number wraps around.
    int Init(uint16_t tcpStart, uint16_t tcpCount, uint16_t udpStart, uint16_t udpCount);
    bool IsInit() const { return m_initialised; }

    // 0 when no usable pair is left.
    uint16_t GetAndCheckTcpPort();
    uint16_t GetAndCheckUdpPort();
    void ReleaseTcpPort(uint16_t port);
    void ReleaseUdpPort(uint16_t port);

    // The ports waiting in a list, front first.
    std::vector<uint16_t> Candidates(int udp);

    // 1 when `port` can be bound on the any address, else 0.
    static int CheckPortUsable(uint16_t port, int udp);

private:
    struct CandidateList
    {
        uint16_t start = 0;
        uint16_t count = 0;
        std::list<uint16_t> ports;
        ZMR_Mutex mutex;
    };

    static bool rangeFits(uint16_t start, uint16_t count);
    static void fill(CandidateList& candidates, uint16_t start, uint16_t count);
    static uint16_t takeFront(CandidateList& candidates);
    static void giveBack(CandidateList& candidates, uint16_t port);
    static uint16_t draw(CandidateList& candidates, int udp);

    CandidateList m_tcp;
    CandidateList m_udp;
    bool m_initialised = false;
};

#endif
