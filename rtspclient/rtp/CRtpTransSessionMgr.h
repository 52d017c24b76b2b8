#pragma once
#include <atomic>
#include <set>

#include "ZMR_Mutex.h"
#include "ZMR_Sema.h"
#include "zmr.h"

class CRtpTransSession;

// Owns the completion queue the transports share and a thread that gives
// every registered transport session its periodic step about once a second.
// Lives from library initialisation to its end.
class CRtpTransSessionMgr
{
public:
    static constexpr int kSharedQueueThreads = 16;

    static CRtpTransSessionMgr& Instance();

    // Creates the queue and the thread; a second call changes nothing.
    int Init();
    // Stops and joins the thread, then destroys the queue.
    int Fini();
    ZMR_ASYNCIOQUEUE SharedQueue() const { return m_hQueue; }

    int Register(CRtpTransSession* session);
    // Once this returns, the session's periodic step never runs again.
    int Unregister(CRtpTransSession* session);
    bool IsRegistered(CRtpTransSession* session);
    // One round of periodic steps, as the thread runs it.
    void StepAll();

private:
    static unsigned int RtpSessionCheckThread(void* argument);

    std::set<CRtpTransSession*> m_setSessions;
    ZMR_Mutex m_cMutex;
    std::atomic<bool> m_bRun{false};
    // Ends the thread's second between rounds early, for Fini: a sleep in
    // slices would wake an idle process ten times a second.
    ZMR_Sema m_cStop{0, 1};
    ZMR_THREAD m_hThread = ZMR_INVALID_THREAD;
    bool m_bInit = false;
    ZMR_ASYNCIOQUEUE m_hQueue = ZMR_INVALID_ASYNCIOQUEUE;
};
