#include "rtp/RtpPortSource.h"

#include <atomic>

namespace {
std::atomic<const RtpPortSource::Pool*> g_pool{nullptr};
}

void RtpPortSource::Install(const Pool* pool) { g_pool.store(pool); }

uint16_t RtpPortSource::TakeTcpPort()
{
    const Pool* pool = g_pool.load();
    return pool ? pool->takeTcp() : 0;
}

uint16_t RtpPortSource::TakeUdpPort()
{
    const Pool* pool = g_pool.load();
    return pool ? pool->takeUdp() : 0;
}

void RtpPortSource::GiveBackTcpPort(uint16_t port)
{
    if (const Pool* pool = g_pool.load())
        pool->giveBackTcp(port);
}

void RtpPortSource::GiveBackUdpPort(uint16_t port)
{
    if (const Pool* pool = g_pool.load())
        pool->giveBackUdp(port);
}
