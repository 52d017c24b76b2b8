#pragma once
// A device's side of the alarm connection: it connects to the listener, proves
// itself over the listener's nonce, and sends numbered alarms. Every alarm is
// kept until the listener acknowledges it (at most kMaxUnacknowledged; more
// wait unmade) and sent again, in order, on the next connection.

#include "AlarmFactory.h"
#include "DeviceSpec.h"
#include "Socket.h"
#include "Waker.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

class AlarmPusher
{
public:
    static constexpr size_t kMaxUnacknowledged = 1024;
    using SentHook = std::function<void(const std::vector<uint8_t>&)>;

    // `paused` holds the pusher off the listener (a dropped device); `password`
    // is what it proves (an impostor's is wrong).
    AlarmPusher(const DeviceSpec& spec, AlarmFactory& factory, std::mutex& factoryMutex,
                const std::atomic<bool>& paused, std::function<std::string()> password);
    ~AlarmPusher();
    AlarmPusher(const AlarmPusher&) = delete;
    AlarmPusher& operator=(const AlarmPusher&) = delete;

    void start();
    void stop();
    void wake() { waker_.signal(); }
    // Cuts the connection to the listener (a dropped device); kept alarms are sent
    // again on the next one.
    void cut();

    void fire(AlarmKind kind, int count);
    void setRate(double perSecond);
    // A frame sent as it is (malformed-frame tests); closeAfter ends the connection.
    void sendRaw(std::vector<uint8_t> frame, bool closeAfter);
    // Called with every alarm body when it is made and queued, before it is sent.
    void setSentHook(SentHook hook);

    size_t made() const { return made_; }
    size_t unacknowledged() const;
    size_t resent() const { return resent_; }

private:
    struct Outgoing
    {
        AlarmKind kind = AlarmKind::Incident;
        int count = 0;
        std::vector<uint8_t> rawFrame;
        bool closeAfter = false;
    };
    struct Kept
    {
        uint32_t number;
        std::vector<uint8_t> frame;
        bool sent; // on an earlier connection, so sending it now is a resend
    };

    void run();
    void closeSocket();
    bool connectAndProve();
    void forgetUpTo(uint32_t number);
    bool readReplies(int waitMs);
    bool takeOutgoing(Outgoing& out, std::chrono::steady_clock::time_point& nextRated, int& waitMs);
    bool sendFrame(const std::vector<uint8_t>& frame);
    std::vector<int> wakeFds() const { return {stopWaker_.fd(), waker_.fd()}; }

    const DeviceSpec& spec_;
    AlarmFactory& factory_;
    std::mutex& factoryMutex_;
    const std::atomic<bool>& paused_;
    const std::function<std::string()> password_;
    const uint64_t runId_;

    tessoran::wire::Waker stopWaker_;
    tessoran::wire::Waker waker_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;

    std::mutex mutex_; // guards the requests, the rate and the hook
    std::deque<Outgoing> outgoing_;
    double perSecond_ = 0;
    int rateKind_ = 0;
    SentHook hook_;

    // Replaced and closed by the pusher thread only, under socketMutex_, so cut()
    // from another thread never meets a reused descriptor.
    std::mutex socketMutex_;
    tessoran::wire::Socket socket_;
    mutable std::mutex keptMutex_;
    std::deque<Kept> kept_;
    size_t resendFrom_ = 0; // kept alarms below this were sent on this connection
    uint32_t nextNumber_ = 1;
    std::atomic<size_t> made_{0};
    std::atomic<size_t> resent_{0};
};

} // namespace devsim
