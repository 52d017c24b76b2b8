#include "api/CRtspClientSessionMgr.h"

#include <vector>

#include "ZMR_Guard.h"
#include "rtsp/CRtspClientSession.h"
#include "common/PellmarLog.h"

CRtspClientSessionMgr::CRtspClientSessionMgr()
{
    for (int handle = 1; handle <= kMaxHandle; ++handle)
        m_listIdleHandles.push_back(handle);
}

CRtspClientSessionMgr::~CRtspClientSessionMgr()
{
    Stop();
}

int CRtspClientSessionMgr::Init()
{
    if (m_bInit)
        return 0;
    m_bRunning = true;
    m_hThread = ZMR_Thread_Create(HeartBeatCheckThread, this, 0, 0, 0, 0);
    if (m_hThread == ZMR_INVALID_THREAD) {
        PELLMAR_LOG_ERROR(kManagerLog,
                          "CRtspClientSessionMgr Init Fail, pfnHeartBeatCheckThread Create Fail, errCode<%d>",
                          ZMR_GetSystemLastError());
        m_bRunning = false;
        return -1;
    }
    m_bInit = true;
    return 0;
}

void CRtspClientSessionMgr::Stop()
{
    if (!m_bInit)
        return;
    m_bRunning = false;
    m_cWake.Post();
    ZMR_Thread_Wait(m_hThread);
    m_hThread = ZMR_INVALID_THREAD;
    m_bInit = false;
}

int CRtspClientSessionMgr::AddSession(CRtspClientSession* session)
{
    ZMR_Guard guard(m_cSessionMutex);
    if (!m_setSessions.insert(session).second) {
        PELLMAR_LOG_ERROR(kManagerLog, "CRtspClientSessionMgr AddSession Fail, Session Exist");
        return -1;
    }
    return 0;
}

int CRtspClientSessionMgr::RemoveSession(CRtspClientSession* session)
{
    ZMR_Guard guard(m_cSessionMutex);
    if (m_setSessions.erase(session) == 0) {
        PELLMAR_LOG_ERROR(kManagerLog, "CRtspClientSessionMgr RemoveSession Fail, Session Not Exist");
        return -1;
    }
    return 0;
}

int CRtspClientSessionMgr::AddHandle(const SessionRef& session)
{
    ZMR_Guard guard(m_cHandleMutex);
    if (m_listIdleHandles.empty()) {
        PELLMAR_LOG_ERROR(kManagerLog, "CRtspClientSessionMgr AddHandle, no idle Handle");
        return 0;
    }
    const int handle = m_listIdleHandles.front();
    m_listIdleHandles.pop_front();
    m_mapHandles.emplace(handle, session);
    return handle;
}

SessionRef CRtspClientSessionMgr::RemoveHandle(int handle)
{
    ZMR_Guard guard(m_cHandleMutex);
    auto found = m_mapHandles.find(handle);
    if (found == m_mapHandles.end()) {
        PELLMAR_LOG_ERROR(kManagerLog, "CRtspClientSessionMgr RemoveHandle Fail, Handle Not Exist");
        return SessionRef();
    }
    SessionRef session = std::move(found->second);
    m_mapHandles.erase(found);
    m_listIdleHandles.push_back(handle);
    return session;
}

SessionRef CRtspClientSessionMgr::GetHandle(int handle)
{
    ZMR_Guard guard(m_cHandleMutex);
    auto found = m_mapHandles.find(handle);
    if (found == m_mapHandles.end()) {
        PELLMAR_LOG_ERROR(kManagerLog, "CRtspClientSessionMgr GetHandle Fail, Handle Not Exist");
        return SessionRef();
    }
    return found->second;
}

void CRtspClientSessionMgr::CheckHeartBeats()
{
    std::vector<SessionRef> snapshot;
    {
        ZMR_Guard guard(m_cHandleMutex);
        snapshot.reserve(m_mapHandles.size());
        for (const auto& entry : m_mapHandles)
            snapshot.push_back(entry.second);
    }
    for (const SessionRef& session : snapshot)
        session->CheckHeartBeat();
}

unsigned int CRtspClientSessionMgr::HeartBeatCheckThread(void* argument)
{
    auto* manager = static_cast<CRtspClientSessionMgr*>(argument);
    while (manager->m_bRunning) {
        // Woken early (0): stopping, or the round's length changed.
        if (manager->m_cWake.TimedWait(manager->m_uiSleepMs * kSleepsPerCheck) == 0)
            continue;
        if (manager->m_bRunning)
            manager->CheckHeartBeats();
    }
    return 0;
}
