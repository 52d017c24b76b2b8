#include "rtsp/CRtspResponseMap.h"

#include "ZMR_Guard.h"

CRtspResponseMap::CRtspResponseMap(uint64_t nowMs) : m_ullLastSweepMs(nowMs)
{
}

void CRtspResponseMap::Expect(int cseq)
{
    ZMR_Guard guard(m_cMutex);
    m_iExpected = cseq;
    if (cseq == kNone)
        m_mapResponses.clear();
}

bool CRtspResponseMap::Store(uint16_t cseq, std::string text, uint64_t nowMs)
{
    {
        ZMR_Guard guard(m_cMutex);
        if (cseq != m_iExpected)
            return false;
        if (m_mapResponses.size() >= kMaxEntries && m_mapResponses.count(cseq) == 0)
            m_mapResponses.erase(m_mapResponses.begin());
        m_mapResponses[cseq] = Entry{std::move(text), nowMs};
    }
    m_cPosted.Post();
    return true;
}

bool CRtspResponseMap::Take(uint16_t cseq, std::string& text)
{
    ZMR_Guard guard(m_cMutex);
    auto found = m_mapResponses.find(cseq);
    if (found == m_mapResponses.end())
        return false;
    text = std::move(found->second.text);
    m_mapResponses.erase(found);
    m_iExpected = kNone;
    return true;
}

bool CRtspResponseMap::WaitPosted(unsigned int milliseconds)
{
    return m_cPosted.TimedWait(milliseconds) == 0;
}

size_t CRtspResponseMap::SweepIfDue(uint64_t nowMs)
{
    ZMR_Guard guard(m_cMutex);
    if (nowMs - m_ullLastSweepMs <= kSweepIntervalMs)
        return 0;
    size_t erased = 0;
    for (auto it = m_mapResponses.begin(); it != m_mapResponses.end();) {
        if (nowMs - it->second.storedMs > kMaxAgeMs) {
            it = m_mapResponses.erase(it);
            ++erased;
        } else {
            ++it;
        }
    }
    m_ullLastSweepMs = nowMs;
    return erased;
}

size_t CRtspResponseMap::Size()
{
    ZMR_Guard guard(m_cMutex);
    return m_mapResponses.size();
}

void CRtspResponseMap::Clear()
{
    ZMR_Guard guard(m_cMutex);
    m_mapResponses.clear();
}
