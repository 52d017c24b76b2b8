#include "CPortPool.h"

#include <algorithm>

#include "common/PellmarLog.h"
#include "ZMR_Guard.h"
#include "zmr.h"

bool CPortPool::rangeFits(uint16_t start, uint16_t count)
{
    // The last candidate is start + 2 (count - 1), its RTCP port one above.
    // Port 0 would read as "no port" to the callers.
    return count == 0 || (start > 0 && static_cast<uint32_t>(start) + 2U * (count - 1U) + 1U <= 65535U);
}

void CPortPool::fill(CandidateList& candidates, uint16_t start, uint16_t count)
{
    ZMR_Guard guard(candidates.mutex);
    candidates.start = start;
    candidates.count = count;
    candidates.ports.clear();
    for (uint32_t i = 0; i < count; ++i)
        candidates.ports.push_back(static_cast<uint16_t>(start + 2U * i));
}

int CPortPool::Init(uint16_t tcpStart, uint16_t tcpCount, uint16_t udpStart, uint16_t udpCount)
{
    if (m_initialised)
        return 0;
    if (!rangeFits(tcpStart, tcpCount) || !rangeFits(udpStart, udpCount)) {
        PELLMAR_LOG_ERROR(pellmar_log::kPortPool, "CPortPool Init Fail, tcp<%u/%u> udp<%u/%u> out of 1..65535",
                          tcpStart, tcpCount, udpStart, udpCount);
        return -1;
    }
    fill(m_tcp, tcpStart, tcpCount);
    fill(m_udp, udpStart, udpCount);
    m_initialised = true;
    return 0;
}

int CPortPool::CheckPortUsable(uint16_t port, int udp)
{
    const ZMR_SOCKET socket = udp ? ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_DGRAM, ZMR_IPPROTO_UDP)
                                  : ZMR_CreateSocket(ZMR_AF_INET, ZMR_SOCK_STREAM, ZMR_IPPROTO_TCP);
    if (socket == ZMR_INVALID_SOCKET) {
        PELLMAR_LOG_ERROR(pellmar_log::kPortPool, "ZMR_CreateSocket Fail, errCode<%d>", ZMR_GetSystemLastError());
        return 0;
    }
    int usable = 0;
    ZMR_ADDR address{};
    if (ZMR_MakeAddrByString(ZMR_AF_INET, "0.0.0.0", port, &address) != 0)
        PELLMAR_LOG_ERROR(pellmar_log::kPortPool, "ZMR_MakeAddrByString Fail, Addr<%s:%d>, errCode<%d>", "0.0.0.0",
                          port, ZMR_GetSystemLastError());
    else if (ZMR_Bind(socket, &address) != 0)
        PELLMAR_LOG_ERROR(pellmar_log::kPortPool, "Bind Fail, errCode<%d>", ZMR_GetSystemLastError());
    else
        usable = 1;
    ZMR_CloseSocket(socket, 0);
    return usable;
}

uint16_t CPortPool::takeFront(CandidateList& candidates)
{
    ZMR_Guard guard(candidates.mutex);
    if (candidates.ports.empty())
        return 0;
    const uint16_t port = candidates.ports.front();
    candidates.ports.pop_front();
    return port;
}

void CPortPool::giveBack(CandidateList& candidates, uint16_t port)
{
    if (port == 0)
        return;
    ZMR_Guard guard(candidates.mutex);
    if (std::find(candidates.ports.begin(), candidates.ports.end(), port) == candidates.ports.end())
        candidates.ports.push_back(port);
}

uint16_t CPortPool::draw(CandidateList& candidates, int udp)
{
    for (uint32_t attempt = 0; attempt <= candidates.count; ++attempt) {
        const uint16_t port = takeFront(candidates);
        if (port == 0)
            return 0;
        if (CheckPortUsable(port, udp) && CheckPortUsable(static_cast<uint16_t>(port + 1), udp))
            return port;
        giveBack(candidates, port);
    }
    return 0;
}

uint16_t CPortPool::GetAndCheckTcpPort()
{
    return draw(m_tcp, 0);
}

uint16_t CPortPool::GetAndCheckUdpPort()
{
    return draw(m_udp, 1);
}

void CPortPool::ReleaseTcpPort(uint16_t port)
{
    giveBack(m_tcp, port);
}

void CPortPool::ReleaseUdpPort(uint16_t port)
{
    giveBack(m_udp, port);
}

std::vector<uint16_t> CPortPool::Candidates(int udp)
{
    CandidateList& list = udp ? m_udp : m_tcp;
    ZMR_Guard guard(list.mutex);
    return std::vector<uint16_t>(list.ports.begin(), list.ports.end());
}
