#include "Listener.h"

#include "AlarmConnection.h"
#include "Log.h"
#include "Sdk.h"
#include "ThreadUtil.h"

#include <boost/asio/post.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tessoran {

namespace asio = boost::asio;
using asio::ip::tcp;

Listener::Listener(Sdk& sdk, Callbacks callbacks, Limits limits, std::string ledgerPath)
    : sdk_(sdk), callbacks_(callbacks), limits_(limits), ledgerPath_(std::move(ledgerPath))
{
}

Listener::~Listener() = default;

bool Listener::start(const std::string& address, uint16_t port, std::string& error)
{
    boost::system::error_code ec;
    asio::ip::address_v4 ip = address.empty() ? asio::ip::address_v4::any() : asio::ip::make_address_v4(address, ec);
    if (ec) {
        error = "not an IPv4 address: " + address;
        return false;
    }
    tcp::endpoint endpoint(ip, port);
    acceptor_ = std::make_unique<tcp::acceptor>(io_);
    acceptor_->open(endpoint.protocol(), ec);
    if (!ec)
        acceptor_->set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor_->bind(endpoint, ec);
    if (!ec)
        acceptor_->listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = ec.message();
        acceptor_.reset();
        return false;
    }
    std::string ledgerError;
    if (!ledgerPath_.empty() && !delivered_.openLedger(ledgerPath_, ledgerError))
        sdkLog().warn("alarm ledger {} cannot be opened ({}); delivered alarms are remembered "
                      "only while this listener runs",
                      ledgerPath_, ledgerError);
    acceptRetry_ = std::make_unique<asio::steady_timer>(io_);
    refusals_ = std::make_unique<RefusalLog>(io_);
    accept();
    auto self = shared_from_this();
    try {
        ioThread_ = std::thread([self] { self->runLoop(); });
        // The callback may clean the SDK up from this very thread; the SDK it
        // releases alarm bytes to must outlive the round that called it.
        dispatchThread_ = std::thread([self, sdk = Sdk::current()] { self->dispatchLoop(); });
        roundThread_ = std::thread([self, sdk = Sdk::current()] { self->roundLoop(); });
    } catch (...) {
        stop();
        throw;
    }
    return true;
}

void Listener::stop()
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (stopping_.exchange(true))
            return;
        const std::thread::id caller = std::this_thread::get_id();
        stoppedFromCallback_ = dispatchThread_.get_id() == caller || roundThread_.get_id() == caller;
        queue_.clear();
        queuedBytes_ = 0;
    }
    queueChanged_.notify_all();
    {
        std::lock_guard<std::mutex> lock(roundMutex_); // a waiter sees the stop before it sleeps
    }
    roundChanged_.notify_all();
    io_.stop();
    if (ioThread_.joinable())
        ioThread_.join();
    // The loop has ended: its state is this thread's now.
    boost::system::error_code ignored;
    if (acceptor_)
        acceptor_->close(ignored);
    if (acceptRetry_)
        acceptRetry_->cancel();
    for (auto& pause : std::vector<std::shared_ptr<asio::steady_timer>>(refusalPauses_))
        pause->cancel();
    if (refusals_)
        refusals_->stop();
    auto connections = connections_;
    for (auto& connection : connections)
        connection->close("");
    connections_.clear();
    waiting_.clear();
    // Runs the handlers the closing aborted, so none keeps this listener alive.
    io_.restart();
    io_.poll();
    joinOrRelease(dispatchThread_);
    joinOrRelease(roundThread_);
}

void Listener::runLoop()
{
    for (;;) {
        try {
            io_.run();
            return;
        } catch (const std::exception& e) {
            // Out of memory serving one connection: that connection is dropped (its
            // handler is gone), the others go on.
            sdkLog().error("alarm listener: {}; the connection concerned is dropped", e.what());
        }
    }
}

// ---- connections (event loop) ------------------------------------------------------

void Listener::accept()
{
    acceptor_->async_accept([self = shared_from_this()](const boost::system::error_code& error, tcp::socket socket) {
        self->onAccepted(error, std::move(socket));
    });
}

void Listener::onAccepted(const boost::system::error_code& error, tcp::socket socket)
{
    if (stopping_ || error == asio::error::operation_aborted)
        return;
    if (error) {
        // Out of descriptors or memory: the connection waits in the backlog until
        // there is room; one line per kind of trouble, not one per attempt.
        if (error.message() != lastAcceptError_)
            sdkLog().warn("alarm listener cannot accept a connection: {}; trying again", error.message());
        lastAcceptError_ = error.message();
        acceptRetry_->expires_after(std::chrono::milliseconds(100));
        acceptRetry_->async_wait([self = shared_from_this()](const boost::system::error_code& e) {
            if (!e && !self->stopping_)
                self->accept();
        });
        return;
    }
    lastAcceptError_.clear();
    boost::system::error_code ec;
    std::string peer = socket.remote_endpoint(ec).address().to_string();
    if (!admit(peer)) {
        socket.close(ec);
    } else {
        socket.set_option(tcp::no_delay(true), ec);
        try {
            auto connection = std::make_shared<AlarmConnection>(*this, std::move(socket), peer);
            connections_.insert(connection);
            ++unproven_[peer];
            connection->start();
        } catch (const std::exception& e) {
            sdkLog().warn("alarm connection from {} cannot be served: {}; closed", peer, e.what());
        }
    }
    accept();
}

// Fair to every source: one address holds a few unproven connections at most,
// and a device the client has logged into gets a slot even when all are taken,
// in place of an unproven connection of the source that holds the most.
bool Listener::admit(const std::string& peer)
{
    const bool known = sdk_.isDeviceAddress(peer);
    auto held = unproven_.find(peer);
    if (!known && held != unproven_.end() && held->second >= kUnprovenPerSource) {
        refused("refused for holding too many unproven connections from one address",
                "alarm connection from " + peer + " refused: " + std::to_string(held->second) +
                    " connections from there have not proved a device yet");
        return false;
    }
    if (connections_.size() < limits_.maxConnections)
        return true;
    if (known && makeRoomFor(peer))
        return true;
    refused("refused at the connection limit", "alarm connection from " + peer +
                                                   " refused: " + std::to_string(connections_.size()) +
                                                   " connections open, the limit");
    return false;
}

bool Listener::makeRoomFor(const std::string& peer)
{
    std::string crowded;
    size_t most = 0;
    for (const auto& [source, count] : unproven_)
        if (count > most)
            std::tie(crowded, most) = std::tie(source, count);
    if (most == 0)
        return false;
    std::shared_ptr<AlarmConnection> victim;
    for (const auto& connection : connections_)
        if (!connection->proven() && connection->peer() == crowded)
            victim = connection;
    if (!victim)
        return false;
    refused("closed to make room for devices",
            "alarm connection from " + crowded + " closed to make room for device address " + peer);
    victim->close("");
    return true;
}

void Listener::unprovenGone(const std::string& peer)
{
    auto held = unproven_.find(peer);
    if (held != unproven_.end() && --held->second == 0)
        unproven_.erase(held);
}

void Listener::refused(const std::string& kind, const std::string& line)
{
    if (refusals_)
        refusals_->refused(kind, line);
}

void Listener::authenticated(const std::shared_ptr<AlarmConnection>& connection)
{
    unprovenGone(connection->peer());
    std::vector<std::shared_ptr<AlarmConnection>> older;
    for (auto& other : connections_)
        if (other != connection && other->device() == connection->device())
            older.push_back(other);
    for (auto& other : older)
        other->close("replaced by a new connection of the same device");
}

void Listener::closed(const std::shared_ptr<AlarmConnection>& connection)
{
    if (connections_.erase(connection) && !connection->proven())
        unprovenGone(connection->peer());
}

void Listener::waitForRoom(const std::shared_ptr<AlarmConnection>& connection)
{
    waiting_.push_back(connection);
}

void Listener::resumeWaiting()
{
    if (stopping_)
        return;
    asio::post(io_, [self = shared_from_this()] {
        if (self->stopping_)
            return;
        auto waiting = std::move(self->waiting_);
        self->waiting_.clear();
        for (auto& weak : waiting)
            if (auto connection = weak.lock())
                connection->resume();
    });
}

void Listener::deviceLoggedOut(const std::string& device)
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        for (Queued& item : queue_)
            if (item.device == device)
                item.deliver = false;
    }
    if (stopping_)
        return;
    asio::post(io_, [self = shared_from_this(), device] {
        std::vector<std::shared_ptr<AlarmConnection>> gone;
        for (auto& connection : self->connections_)
            if (connection->device() == device)
                gone.push_back(connection);
        for (auto& connection : gone)
            connection->close("the client logged out of the device");
    });
}

void Listener::releaseBytes(size_t bytes)
{
    if (bytes == 0)
        return;
    sdk_.alarmBytes.release(bytes);
    sdk_.alarmBytesReleased();
}

// ---- queue and dispatch ------------------------------------------------------------

bool Listener::queueHasRoom()
{
    std::lock_guard<std::mutex> lock(queueMutex_);
    return queue_.size() < kQueueAlarms && (queue_.empty() || queuedBytes_ < kQueueBytes);
}

void Listener::enqueue(Queued&& item)
{
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (stopping_)
            return;
        queuedBytes_ += item.reserved;
        queue_.push_back(std::move(item));
    }
    queueChanged_.notify_all();
}

bool Listener::takeRound(std::vector<Queued>& batch)
{
    std::unique_lock<std::mutex> lock(queueMutex_);
    queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_)
        return false;
    // What queued up meanwhile goes in one round with one ledger sync, so a
    // flood pays a sync per round instead of one per alarm.
    size_t roundBytes = 0;
    while (!queue_.empty() && batch.size() < kDispatchRound &&
           (batch.empty() || roundBytes + queue_.front().reserved <= kRoundBytes)) {
        roundBytes += queue_.front().reserved;
        queuedBytes_ -= queue_.front().reserved;
        batch.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    return true;
}

void Listener::dispatchLoop()
{
    for (;;) {
        Round round;
        if (!takeRound(round.batch))
            break;
        round.refusalsBefore = roundsRefused_;
        resumeWaiting();
        std::vector<Queued>& batch = round.batch;
        round.outcomes.assign(batch.size(), Outcome::Unacknowledged);
        for (size_t i = 0; i < batch.size() && !stopping_; ++i) {
            round.outcomes[i] = settle(batch[i]);
            sdk_.alarmBuffers.give(std::move(batch[i].alarm.bytes));
            batch[i].alarm = {};
            releaseBytes(std::exchange(batch[i].reserved, 0));
        }
        // Alarms of a round cut short by a stop leave the budget they held.
        for (Queued& item : batch)
            releaseBytes(std::exchange(item.reserved, 0));
        round.last = std::exchange(roundLast_, {});
        // A round cut short by a stop is still ended, unacknowledged.
        if (!handOver(std::move(round)) || stopping_)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(roundMutex_);
        dispatchEnded_ = true;
    }
    roundChanged_.notify_all();
}

bool Listener::handOver(Round&& round)
{
    {
        std::unique_lock<std::mutex> lock(roundMutex_);
        // One round ends while the next is delivered, never more: the next
        // round's alarms wait in the queue and the sockets.
        roundChanged_.wait(lock, [&] { return !roundBusy_ || stoppedFromCallback_; });
        if (roundBusy_)
            return false;
        inFlight_ = round.last;
        handed_ = std::move(round);
        roundBusy_ = true;
    }
    roundChanged_.notify_all();
    return true;
}

void Listener::roundLoop()
{
    for (;;) {
        Round round;
        {
            std::unique_lock<std::mutex> lock(roundMutex_);
            roundChanged_.wait(lock, [&] { return handed_ || dispatchEnded_ || stoppedFromCallback_; });
            if (!handed_)
                return;
            round = std::move(*handed_);
            handed_.reset();
        }
        finishRound(round);
        if (!stopping_) { // stopped during the round: no acknowledgement
            acknowledgeRound(round.batch, round.outcomes);
            forgetClosedRefusals();
        }
        {
            std::lock_guard<std::mutex> lock(roundMutex_);
            roundBusy_ = false;
        }
        roundChanged_.notify_all();
    }
}

void Listener::finishRound(Round& round)
{
    std::vector<Queued>& batch = round.batch;
    std::vector<Outcome>& outcomes = round.outcomes;
    const size_t held = static_cast<size_t>(std::count(outcomes.begin(), outcomes.end(), Outcome::Held));
    if (round.refusalsBefore != roundsRefused_)
        dropRound(round, held);
    else if (held > 0 && !roundStored(held) && refuseHeld(batch, outcomes))
        ++roundsRefused_;
    for (size_t i = 0; i < batch.size(); ++i)
        if (outcomes[i] == Outcome::Delivered || outcomes[i] == Outcome::Held)
            delivered_.markDelivered(batch[i].device, batch[i].runId, batch[i].number);
    {
        // The round stands or fell: repeats of its alarms are judged by the ledger now.
        std::lock_guard<std::mutex> lock(roundMutex_);
        inFlight_.clear();
    }
    roundChanged_.notify_all();
    // The round's records go to the disk at once, before its acknowledgements:
    // an alarm stored but not yet acknowledged when the power goes is sent
    // again by its device, and only a record on the disk keeps the restarted
    // client from storing it twice.
    std::string error;
    if (!delivered_.sync(error))
        sdkLog().error("alarm ledger {} cannot be synced ({}); alarms delivered before a power "
                       "loss may be delivered again",
                       ledgerPath_, error);
}

void Listener::dropRound(Round& round, size_t held)
{
    const auto [roundEnd, user] = callbacks_.roundEnd;
    if (held > 0 && roundEnd && !stoppedFromCallback_)
        roundEnd(static_cast<uint32_t>(held) | TSR_ALARM_ROUND_DROPPED, user);
    bool newlyRefused = false;
    for (size_t i = 0; i < round.batch.size(); ++i) {
        Outcome& outcome = round.outcomes[i];
        if (outcome == Outcome::Held || outcome == Outcome::Delivered)
            newlyRefused = refuseConnection(round.batch[i]) || newlyRefused;
        outcome = Outcome::Unacknowledged;
    }
    if (held > 0)
        sdkLog().warn("a round of {} held alarms was dropped: a round before it was not stored", held);
    // Alarms of connections refused only now may wait in the round delivered
    // meanwhile: it is dropped in turn.
    if (newlyRefused)
        ++roundsRefused_;
}

bool Listener::roundStored(size_t held)
{
    const auto [roundEnd, user] = callbacks_.roundEnd;
    if (!roundEnd || stoppedFromCallback_)
        return false;
    if (roundEnd(static_cast<uint32_t>(held), user))
        return true;
    sdkLog().warn("the application did not store a round of {} held alarms", held);
    return false;
}

bool Listener::refuseHeld(const std::vector<Queued>& batch, std::vector<Outcome>& outcomes)
{
    bool newlyRefused = false;
    // An acknowledgement covers every earlier number of its device: nothing of a
    // device is acknowledged behind one of its alarms that was not stored, on
    // whichever of its connections it came.
    std::set<std::string> devices;
    for (size_t i = 0; i < batch.size(); ++i) {
        const Queued& item = batch[i];
        if (outcomes[i] == Outcome::Held)
            devices.insert(item.device);
        if (!devices.count(item.device) || outcomes[i] == Outcome::Unacknowledged)
            continue;
        outcomes[i] = Outcome::Unacknowledged;
        newlyRefused = refuseConnection(item) || newlyRefused;
    }
    return newlyRefused;
}

void Listener::forgetClosedRefusals()
{
    std::lock_guard<std::mutex> refusedLock(refusedMutex_);
    if (refused_.empty())
        return;
    std::lock_guard<std::mutex> lock(queueMutex_);
    for (auto it = refused_.begin(); it != refused_.end();) {
        // A closed connection adds no alarm, but those it queued are still refused.
        const bool queued = std::any_of(queue_.begin(), queue_.end(), [&](const Queued& item) {
            return !it->owner_before(item.from) && !item.from.owner_before(*it);
        });
        it = it->expired() && !queued ? refused_.erase(it) : std::next(it);
    }
}

Listener::Outcome Listener::settle(Queued& item)
{
    if (refusedFrom(item))
        return Outcome::Unacknowledged;
    if (!item.deliver)
        return Outcome::Acknowledged;
    if (item.number == 0) {
        // Numbers start at 1: a 0 can never be told apart from its own repeat.
        sdkLog().warn("alarm 0 from device {} ({}) dropped: alarms are numbered from 1", item.device, item.peer);
        return Outcome::Acknowledged;
    }
    if (!isNew(item)) {
        sdkLog().info("alarm {} from device {} was delivered before; acknowledged again", item.number, item.device);
        return Outcome::Acknowledged;
    }
    TSR_BOOL taken = deliver(item);
    if (taken == TSR_ALARM_HELD && !callbacks_.roundEnd.first) {
        sdkLog().error("alarm {} from device {} was held, but no round-end callback stores it", item.number,
                       item.device);
        taken = 0;
    }
    if (!taken) {
        refuseConnection(item);
        return Outcome::Unacknowledged;
    }
    roundLast_[item.device] = {item.runId, item.number};
    return taken == TSR_ALARM_HELD ? Outcome::Held : Outcome::Delivered;
}

bool Listener::isNew(const Queued& item)
{
    {
        // Sent again on a new connection while the first copy's round is being
        // ended: whether it is new depends on whether that round is stored.
        std::unique_lock<std::mutex> lock(roundMutex_);
        auto inFlight = inFlight_.find(item.device);
        if (inFlight != inFlight_.end() && inFlight->second.first == item.runId &&
            item.number <= inFlight->second.second)
            roundChanged_.wait(lock, [&] { return inFlight_.empty() || stoppedFromCallback_; });
    }
    if (!delivered_.isNew(item.device, item.runId, item.number))
        return false;
    // Sent again on a new connection while the first copy waits in this round.
    auto inRound = roundLast_.find(item.device);
    return inRound == roundLast_.end() || inRound->second.first != item.runId || item.number > inRound->second.second;
}

bool Listener::refusedFrom(const Queued& item)
{
    std::lock_guard<std::mutex> lock(refusedMutex_);
    return refused_.count(item.from) != 0;
}

bool Listener::refuseConnection(const Queued& item)
{
    {
        std::lock_guard<std::mutex> lock(refusedMutex_);
        if (!refused_.insert(item.from).second)
            return false;
    }
    sdkLog().warn("alarm {} from device {} ({}) was not stored by the application; it and the "
                  "alarms behind it stay unacknowledged, and the connection is closed in {} ms so "
                  "that the device sends them again",
                  item.number, item.device, item.peer, kRefusalPauseMs);
    asio::post(io_, [self = shared_from_this(), from = item.from] {
        if (self->stopping_)
            return;
        auto pause = std::make_shared<asio::steady_timer>(self->io_);
        self->refusalPauses_.push_back(pause);
        pause->expires_after(std::chrono::milliseconds(kRefusalPauseMs));
        pause->async_wait([self, from, pause](const boost::system::error_code& e) {
            auto& pauses = self->refusalPauses_;
            pauses.erase(std::remove(pauses.begin(), pauses.end(), pause), pauses.end());
            if (e || self->stopping_)
                return;
            if (auto connection = from.lock())
                connection->close("the application did not store an alarm");
        });
    });
    return true;
}

void Listener::acknowledgeRound(const std::vector<Queued>& batch, const std::vector<Outcome>& outcomes)
{
    for (size_t i = 0; i < batch.size(); ++i) {
        if (outcomes[i] == Outcome::Unacknowledged)
            continue;
        asio::post(io_, [from = batch[i].from, number = batch[i].number] {
            if (auto connection = from.lock())
                connection->acknowledge(number);
        });
    }
}

namespace {

// The alarm the calling dispatch thread is delivering; null outside a callback.
thread_local const Listener::Queued* tlsDelivering = nullptr;

} // namespace

bool Listener::deliveringNow(TSR_ALARM_IDENTITY& identity)
{
    const Queued* item = tlsDelivering;
    if (!item)
        return false;
    identity = TSR_ALARM_IDENTITY{};
    std::snprintf(identity.sDevice, sizeof identity.sDevice, "%s", item->device.c_str());
    identity.qwRunId = item->runId;
    identity.dwNumber = item->number;
    return true;
}

TSR_BOOL Listener::deliver(Queued& item)
{
    TSR_ALARMER& alarmer = item.alarm.alarmer;
    alarmer.bySerialValid = alarmer.byVersionValid = alarmer.byDeviceNameValid = 1;
    alarmer.byMacAddrValid = alarmer.byLinkPortValid = alarmer.byDeviceIPValid = 1;
    alarmer.bySocketIPValid = 1;
    snprintf(alarmer.sSocketIP, sizeof alarmer.sSocketIP, "%s", item.peer.c_str());
    alarmer.lUserID = sdk_.loginIdFor(alarmer.sDeviceIP, alarmer.wLinkPort);
    alarmer.byUserIDValid = alarmer.lUserID >= 0;
    // Logged out while this alarm was already on its way: the client no longer
    // wants to hear from the device.
    if (alarmer.lUserID < 0) {
        sdkLog().info("alarm {} from device {} dropped: the client logged out of it", item.number, item.device);
        return 1;
    }

    TSR_MSGCALLBACK callback = callbacks_.alarm;
    void* user = callbacks_.alarmUser;
    if (!callback)
        std::tie(callback, user) = sdk_.messageCallback();
    // With no callback at all nobody could ever store it: it is dropped, as before.
    if (!callback)
        return 1;
    tlsDelivering = &item;
    const TSR_BOOL taken = callback(item.alarm.command, &alarmer, item.alarm.bodyData(), item.alarm.bodySize(), user);
    tlsDelivering = nullptr;
    return taken == TSR_ALARM_HELD ? TSR_ALARM_HELD : taken != 0;
}

} // namespace tessoran
