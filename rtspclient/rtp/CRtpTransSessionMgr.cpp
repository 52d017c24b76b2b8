#include "rtp/CRtpTransSessionMgr.h"

#include <vector>

#include "rtp/CRtpTransSession.h"
#include "rtp/PellmarTransportLog.h"
#include "ZMR_Guard.h"
#include "common/singleton.h"

namespace {
constexpr unsigned int kRoundMs = 1000;
} // namespace

CRtpTransSessionMgr& CRtpTransSessionMgr::Instance()
{
    return *singleton<CRtpTransSessionMgr>::instance();
}

int CRtpTransSessionMgr::Init()
{
    ZMR_Guard guard(m_cMutex);
    if (m_bInit)
        return 0;
    m_hQueue = ZMR_AsyncIO_CreateQueueEx_New(kSharedQueueThreads);
    if (m_hQueue == ZMR_INVALID_ASYNCIOQUEUE) {
        TRANSPORT_LOG_ERROR("ZMR_AsyncIO_CreateQueueEx2 Fail, errCode:%d", ZMR_GetSystemLastError());
        return -1;
    }
    m_bRun = true;
    m_hThread = ZMR_Thread_Create(RtpSessionCheckThread, this, 0, 0, 0, 0);
    if (m_hThread == ZMR_INVALID_THREAD) {
        TRANSPORT_LOG_ERROR("CRtpTransSessionMgr Init Fail, ZMR_Thread_Create Fail");
        m_bRun = false;
        ZMR_AsyncIO_DestroyQueueEx(m_hQueue);
        m_hQueue = ZMR_INVALID_ASYNCIOQUEUE;
        return -1;
    }
    m_bInit = true;
    return 0;
}

int CRtpTransSessionMgr::Fini()
{
    ZMR_THREAD thread;
    {
        ZMR_Guard guard(m_cMutex);
        if (!m_bInit)
            return 0;
        m_bInit = false;
        m_bRun = false;
        thread = m_hThread;
        m_hThread = ZMR_INVALID_THREAD;
    }
    m_cStop.Post();
    ZMR_Thread_Wait(thread);
    ZMR_AsyncIO_DestroyQueueEx(m_hQueue);
    m_hQueue = ZMR_INVALID_ASYNCIOQUEUE;
    return 0;
}

int CRtpTransSessionMgr::Register(CRtpTransSession* session)
{
    ZMR_Guard guard(m_cMutex);
    m_setSessions.insert(session);
    return 0;
}

int CRtpTransSessionMgr::Unregister(CRtpTransSession* session)
{
    ZMR_Guard guard(m_cMutex);
    m_setSessions.erase(session);
    return 0;
}

bool CRtpTransSessionMgr::IsRegistered(CRtpTransSession* session)
{
    ZMR_Guard guard(m_cMutex);
    return m_setSessions.count(session) != 0;
}

void CRtpTransSessionMgr::StepAll()
{
    std::vector<CRtpTransSession*> sessions;
    {
        ZMR_Guard guard(m_cMutex);
        sessions.assign(m_setSessions.begin(), m_setSessions.end());
    }
    for (CRtpTransSession* session : sessions) {
        // Under the mutex again: a session unregistered meanwhile may be gone.
        ZMR_Guard guard(m_cMutex);
        if (m_setSessions.count(session))
            session->PeriodicStep();
    }
}

unsigned int CRtpTransSessionMgr::RtpSessionCheckThread(void* argument)
{
    CRtpTransSessionMgr* manager = static_cast<CRtpTransSessionMgr*>(argument);
    while (manager->m_bRun) {
        // Posted (0) only to stop.
        if (manager->m_cStop.TimedWait(kRoundMs) != 0 && manager->m_bRun)
            manager->StepAll();
    }
    return 0;
}
