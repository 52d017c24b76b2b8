#pragma once
#include <atomic>
#include <list>
#include <map>
#include <set>

#include "ZMR_Mutex.h"
#include "ZMR_Sema.h"
#include "common/shared_ref.h"
#include "zmr.h"

class CRtspClientSession;
using SessionRef = shared_ref<CRtspClientSession>;

// Owns the live sessions behind the handles 1 to 9999 of the exported
// interface, and runs the heartbeat thread that lets every session check its
// keep-alive every four seconds. Handles are recycled first in, first out.
// The handle map and the idle list share one mutex, the session set has its
// own; no other lock is taken while either is held.
class CRtspClientSessionMgr
{
public:
    static constexpr int kMaxHandle = 9999;
    static constexpr unsigned int kSleepMs = 100;
    static constexpr int kSleepsPerCheck = 40;
    static constexpr unsigned int kManagerLog = 0x02230805;

    CRtspClientSessionMgr();
    ~CRtspClientSessionMgr();
    CRtspClientSessionMgr(const CRtspClientSessionMgr&) = delete;
    CRtspClientSessionMgr& operator=(const CRtspClientSessionMgr&) = delete;

    // Starts the heartbeat thread; a second call changes nothing.
    int Init();
    // Stops and joins the heartbeat thread, which ends its sleep at once.
    void Stop();

    int AddSession(CRtspClientSession* session);
    int RemoveSession(CRtspClientSession* session);
    // The next idle handle now refers to the session; 0 when none is idle.
    int AddHandle(const SessionRef& session);
    // Takes the session out of the table; the handle goes to the end of the idle list.
    SessionRef RemoveHandle(int handle);
    SessionRef GetHandle(int handle);

    // One heartbeat round: every session, in ascending handle order, on a
    // snapshot of the table, so a session destroyed meanwhile lives until
    // its check is done.
    void CheckHeartBeats();
    // Tests shorten the sleep between rounds' steps instead of waiting 4 s;
    // the sleep under way starts again with the new length.
    void SetSleepMs(unsigned int milliseconds)
    {
        m_uiSleepMs = milliseconds;
        m_cWake.Post();
    }

private:
    static unsigned int HeartBeatCheckThread(void* manager);

    std::atomic<bool> m_bRunning{false};
    ZMR_THREAD m_hThread = ZMR_INVALID_THREAD;
    std::set<CRtspClientSession*> m_setSessions;
    ZMR_Mutex m_cSessionMutex;
    std::map<int, SessionRef> m_mapHandles;
    std::list<int> m_listIdleHandles;
    ZMR_Mutex m_cHandleMutex;
    bool m_bInit = false;
    std::atomic<unsigned int> m_uiSleepMs{kSleepMs};
    // Ends the thread's sleep early: for Stop and a new sleep length. The
    // thread sleeps a whole round at once, since every wake-up of an idle
    // thread costs as much as receiving a good many packets.
    ZMR_Sema m_cWake{0, 1};
};
