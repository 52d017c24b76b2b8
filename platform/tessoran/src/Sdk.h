#pragma once
// One initialised SDK: everything between TSR_Init and TSR_Cleanup. Calls hold a
// shared_ptr to it, so a call under way when TSR_Cleanup runs finishes on a live
// object and fails cleanly.

#include "tessoran.h"
#include "ByteBudget.h"
#include "FramePool.h"
#include "Registry.h"
#include "Waker.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessoran {

class LoginSession;
class Listener;
class RealPlay;
class Download;

// Process-wide time limits (TSR_SetNetworkTimes).
struct NetworkTimes
{
    static std::atomic<int> connectMs;
    static std::atomic<int> replyMs;
    static std::atomic<int> heartbeatMs;
};

// Limits of alarm listeners started from now on (TSR_SetListenLimits).
struct ListenLimits
{
    static std::atomic<uint32_t> maxConnections;   // refused above it
    static std::atomic<uint32_t> frameTimeoutMs;   // a frame, or the device's proof, within this
    static std::atomic<uint32_t> maxBufferedBytes; // alarm bytes held by all listeners together
    // File of the delivered alarm numbers (TSR_SetAlarmLedger); empty: memory only.
    static std::string ledgerPath();
    static void setLedgerPath(std::string path);
};

// Handles are never reused within the process.
int32_t nextLoginId();
int32_t nextHandle();

class Sdk
{
public:
    Sdk();
    ~Sdk();
    Sdk(const Sdk&) = delete;
    Sdk& operator=(const Sdk&) = delete;

    // The current SDK, or null before TSR_Init / after TSR_Cleanup.
    static std::shared_ptr<Sdk> current();
    static bool init();
    static void cleanup();

    // Signalled once at clean-up; every blocking wait of the SDK watches it.
    int stopFd() const { return stopWaker_.fd(); }
    bool stopping() const { return stopping_; }

    // Everything the SDK runs, by handle; clean-up closes them.
    Registry<LoginSession> logins;
    Registry<Listener> listeners;
    Registry<RealPlay> plays;
    Registry<Download> downloads;

    // Alarm bytes held by every listener together (ListenLimits::maxBufferedBytes).
    ByteBudget alarmBytes;
    // Buffers of alarm frames, read into again once their alarm was delivered.
    FramePool alarmBuffers;
    // Tells every listener that alarm bytes were released, so connections that
    // waited for room read on.
    void alarmBytesReleased();

    // The login to a device address and port, -1 for none.
    int32_t loginIdFor(const char* ip, uint16_t port) const;
    // Whether the client is logged into a device at this address.
    bool isDeviceAddress(const std::string& ip) const;
    // The password of a login to that address, port and user; false for none.
    bool passwordFor(const std::string& ip, uint16_t port, const std::string& user, std::string& password) const;

    void setMessageCallback(TSR_MSGCALLBACK callback, void* user);
    std::pair<TSR_MSGCALLBACK, void*> messageCallback() const;
    // Round end of listeners started afterwards (TSR_SetAlarmRoundCallBack).
    void setRoundCallback(TSR_ALARMROUNDCALLBACK callback, void* user);
    std::pair<TSR_ALARMROUNDCALLBACK, void*> roundCallback() const;
    void setExceptionCallback(TSR_EXCEPTIONCALLBACK callback, void* user);
    // Queues an exception report for the event thread; never blocks.
    void postException(uint32_t type, int32_t loginId);

private:
    void shutdown();
    void eventLoop();

    struct ExceptionEvent
    {
        uint32_t type;
        int32_t loginId;
    };

    wire::Waker stopWaker_;
    std::atomic<bool> stopping_{false};

    mutable std::mutex mutex_; // guards the callbacks
    TSR_MSGCALLBACK messageCallback_ = nullptr;
    void* messageUser_ = nullptr;
    TSR_ALARMROUNDCALLBACK roundCallback_ = nullptr;
    void* roundUser_ = nullptr;
    TSR_EXCEPTIONCALLBACK exceptionCallback_ = nullptr;
    void* exceptionUser_ = nullptr;

    std::mutex eventMutex_;
    std::condition_variable eventReady_;
    std::deque<ExceptionEvent> events_;
    bool eventsStopped_ = false;
    std::thread eventThread_;
};

} // namespace tessoran
