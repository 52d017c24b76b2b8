#pragma once
// Alarm listener: one event loop (Boost.Asio) serves every device connection,
// one dispatch thread runs the callback for each alarm, and one round thread
// ends each round (the round-end callback, the ledger sync, the
// acknowledgements) while the dispatch thread already delivers the next one.
// Nothing grows with what a peer merely announces: connections are capped, a
// frame must arrive within one deadline, and alarm bytes are reserved from the
// process's budget before they are read. A connection that finds the queue or
// the budget full waits unread, so TCP pushes back on its device. Only devices
// the client has logged into may send, and each alarm is acknowledged once its
// callback has returned 1 (stored), or once the round it was held for has been
// stored; one the application refused is sent again by its device.

#include "tessoran.h"
#include "DeliveredAlarms.h"
#include "RefusalLog.h"
#include "WireRecords.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tessoran {

class Sdk;
class AlarmConnection;

class Listener : public std::enable_shared_from_this<Listener>
{
public:
    static constexpr size_t kQueueAlarms = 256;
    // Alarms delivered between two ledger syncs at most: one round, stored by
    // the application together when it holds them. A round's fixed costs (the
    // application's commit and folder syncs, the ledger sync) are paid once for
    // all of it, so a flood is taken in rounds as large as the queue; the bytes
    // bound keeps what an application copies of one round within reason.
    static constexpr size_t kDispatchRound = kQueueAlarms;
    static constexpr size_t kRoundBytes = size_t(4) << 20;
    // The queue holds about one round's bytes: a backlog beyond it waits in
    // the kernel's socket buffers and on the devices, not in this process.
    static constexpr size_t kQueueBytes = kRoundBytes;
    // A connection whose alarm the application refused stays open this long
    // before it is closed, so a device that reconnects at once is not served in
    // a tight loop while the application cannot store.
    static constexpr int kRefusalPauseMs = 1000;
    // Connections one source address may hold before its device proves itself;
    // addresses of devices the client has logged into are not held to it.
    static constexpr size_t kUnprovenPerSource = 4;

    struct Limits
    {
        size_t maxConnections;
        int frameTimeoutMs;
        size_t maxBufferedBytes;
    };

    // One alarm on its way to the callback, or a refused one that is only
    // acknowledged (so acknowledgements stay in the order of the alarms).
    struct Queued
    {
        bool deliver = true;
        wire::DecodedAlarm alarm;
        std::string peer;
        std::string device; // "address:port" of the device that proved itself
        uint64_t runId = 0;
        uint32_t number = 0;
        size_t reserved = 0; // bytes of the budget this alarm holds
        std::weak_ptr<AlarmConnection> from;
    };

    struct Callbacks
    {
        TSR_MSGCALLBACK alarm = nullptr; // null: the SDK's message callback
        void* alarmUser = nullptr;
        std::pair<TSR_ALARMROUNDCALLBACK, void*> roundEnd{nullptr, nullptr};
    };

    // ledgerPath: where delivered alarm numbers are kept across runs; empty keeps
    // them in memory only.
    Listener(Sdk& sdk, Callbacks callbacks, Limits limits, std::string ledgerPath);
    ~Listener();

    // Binds and starts the threads; false with the reason in `error`.
    bool start(const std::string& address, uint16_t port, std::string& error);
    void stop();
    // Budget or queue room came free: waiting connections try again.
    void resumeWaiting();
    // The client's last login to `device` ("address:port") ended: its
    // connections are closed and its queued alarms are not delivered.
    void deviceLoggedOut(const std::string& device);

    // ---- for the connections, on the event loop ----
    boost::asio::io_context& io() { return io_; }
    const Limits& limits() const { return limits_; }
    Sdk& sdk() { return sdk_; }
    bool stopping() const { return stopping_; }
    bool queueHasRoom();
    void enqueue(Queued&& item);
    void waitForRoom(const std::shared_ptr<AlarmConnection>& connection);
    void releaseBytes(size_t bytes);
    // On the dispatch thread inside the callback: the alarm being delivered.
    static bool deliveringNow(TSR_ALARM_IDENTITY& identity);
    uint32_t lastDelivered(const std::string& device, uint64_t runId) const { return delivered_.last(device, runId); }
    // A device proved itself: an older connection of the same device is closed.
    void authenticated(const std::shared_ptr<AlarmConnection>& connection);
    void closed(const std::shared_ptr<AlarmConnection>& connection);
    // A refused or cut connection's line, rate-limited.
    void refused(const std::string& kind, const std::string& line);

private:
    void accept();
    void onAccepted(const boost::system::error_code& error, boost::asio::ip::tcp::socket socket);
    bool admit(const std::string& peer);
    bool makeRoomFor(const std::string& peer);
    void unprovenGone(const std::string& peer);
    void runLoop();
    void dispatchLoop();
    // What became of an alarm of the round.
    enum class Outcome {
        Unacknowledged, // refused, behind a refused one, or cut short by a stop
        Acknowledged,   // not delivered (a repeat, number 0, logged out): only acknowledged
        Delivered,      // stored by its callback
        Held,           // stored, or not, with the rest of the round
    };
    // The last number per device delivered or held in a round.
    using RoundLast = std::map<std::string, std::pair<uint64_t, uint32_t>>;
    // A delivered round on its way to the round thread.
    struct Round
    {
        std::vector<Queued> batch;
        std::vector<Outcome> outcomes;
        RoundLast last;
        // Rounds refused before this one's delivery began.
        uint64_t refusalsBefore = 0;
    };
    // Waits for alarms and takes what queued up; false once stopping.
    bool takeRound(std::vector<Queued>& batch);
    // Waits until the round thread finished the round before and gives it this
    // one; false when the stop came from a callback meanwhile.
    bool handOver(Round&& round);
    void roundLoop();
    // Delivers or skips the item.
    Outcome settle(Queued& item);
    // The callback's result (1 taken, 0 refused, TSR_ALARM_HELD).
    TSR_BOOL deliver(Queued& item);
    bool isNew(const Queued& item);
    // Ends the round: the held alarms are stored or refused, the delivered ones
    // recorded, and the ledger synced; then the round is acknowledged.
    void finishRound(Round& round);
    bool roundStored(size_t held);
    // A round refused while this one was delivered: its alarms were delivered
    // behind alarms of their devices that are sent again, so none of it is
    // stored or acknowledged.
    void dropRound(Round& round, size_t held);
    // The round was not stored: its held alarms, and every later alarm of the
    // round from the same devices, stay unacknowledged.
    // True when a connection was refused that was not before.
    bool refuseHeld(const std::vector<Queued>& batch, std::vector<Outcome>& outcomes);
    void acknowledgeRound(const std::vector<Queued>& batch, const std::vector<Outcome>& outcomes);
    // The application refused an alarm of this connection: it and the alarms
    // behind it stay unacknowledged, and the connection is closed after a pause
    // so that its device sends them again once it reconnected.
    // False when the connection was refused already.
    bool refuseConnection(const Queued& item);
    bool refusedFrom(const Queued& item);
    void forgetClosedRefusals();

    Sdk& sdk_;
    const Callbacks callbacks_;
    const Limits limits_;
    const std::string ledgerPath_;
    std::atomic<bool> stopping_{false};
    DeliveredAlarms delivered_;

    // The event loop's state: touched on its thread only.
    std::set<std::shared_ptr<AlarmConnection>> connections_;
    std::vector<std::weak_ptr<AlarmConnection>> waiting_;
    std::string lastAcceptError_;
    std::vector<std::shared_ptr<boost::asio::steady_timer>> refusalPauses_;

    // Connections whose alarms are no longer delivered: refused by the
    // dispatch thread's callbacks or by the round thread's round ends.
    std::mutex refusedMutex_;
    std::set<std::weak_ptr<AlarmConnection>, std::owner_less<std::weak_ptr<AlarmConnection>>> refused_;
    std::map<std::string, size_t> unproven_; // per source address
    // The dispatch thread's own: the last number per device delivered or held in
    // the round under way, recorded in delivered_ once the round stands.
    RoundLast roundLast_;
    // Set when the stop came from a callback of this listener: nothing more is called.
    std::atomic<bool> stoppedFromCallback_{false};
    // Rounds whose held alarms were refused; a round delivered meanwhile is dropped.
    std::atomic<uint64_t> roundsRefused_{0};

    // The hand-over between the dispatch and the round thread.
    std::mutex roundMutex_;
    std::condition_variable roundChanged_;
    std::optional<Round> handed_;
    bool roundBusy_ = false;     // a round is handed over or being ended
    RoundLast inFlight_;         // that round's last numbers, until it stands or falls
    bool dispatchEnded_ = false; // nothing more is handed over

    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Queued> queue_;
    size_t queuedBytes_ = 0; // reserved by the alarms in queue_

    std::thread ioThread_;
    std::thread dispatchThread_;
    std::thread roundThread_;
    // Last, so it goes first: its handlers still see the members above.
    boost::asio::io_context io_;
    std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor_;
    std::unique_ptr<boost::asio::steady_timer> acceptRetry_;
    std::unique_ptr<RefusalLog> refusals_;
};

} // namespace tessoran
