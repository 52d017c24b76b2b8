#include "Listener.h"

#include "AlarmConnection.h"
#include "Log.h"
#include "Sdk.h"
#include "ThreadUtil.h"

#include <boost/asio/post.hpp>

#include <chrono>
#include <cstdio>

namespace tessoran {

namespace asio = boost::asio;
using asio::ip::tcp;

Listener::Listener(Sdk& sdk, TSR_MSGCALLBACK callback, void* user, Limits limits,
                   std::string ledgerPath)
    : sdk_(sdk), callback_(callback), user_(user), limits_(limits), ledgerPath_(std::move(ledgerPath)) {}

Listener::~Listener() = default;

bool Listener::start(const std::string& address, uint16_t port, std::string& error) {
  boost::system::error_code ec;
  asio::ip::address_v4 ip =
      address.empty() ? asio::ip::address_v4::any() : asio::ip::make_address_v4(address, ec);
  if (ec) {
    error = "not an IPv4 address: " + address;
    return false;
  }
  tcp::endpoint endpoint(ip, port);
  acceptor_ = std::make_unique<tcp::acceptor>(io_);
  acceptor_->open(endpoint.protocol(), ec);
  if (!ec) acceptor_->set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) acceptor_->bind(endpoint, ec);
  if (!ec) acceptor_->listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = ec.message();
    acceptor_.reset();
    return false;
  }
  std::string ledgerError;
  if (!ledgerPath_.empty() && !delivered_.openLedger(ledgerPath_, ledgerError))
    sdkLog().warn("alarm ledger {} cannot be opened ({}); delivered alarms are remembered "
                  "only while this listener runs", ledgerPath_, ledgerError);
  acceptRetry_ = std::make_unique<asio::steady_timer>(io_);
  accept();
  auto self = shared_from_this();
  try {
    ioThread_ = std::thread([self] { self->runLoop(); });
    // The callback may clean the SDK up from this very thread; the SDK it
    // releases alarm bytes to must outlive the round that called it.
    dispatchThread_ = std::thread([self, sdk = Sdk::current()] { self->dispatchLoop(); });
  } catch (...) {
    stop();
    throw;
  }
  return true;
}

void Listener::stop() {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (stopping_.exchange(true)) return;
    queue_.clear();
  }
  queueChanged_.notify_all();
  io_.stop();
  if (ioThread_.joinable()) ioThread_.join();
  // The loop has ended: its state is this thread's now.
  boost::system::error_code ignored;
  if (acceptor_) acceptor_->close(ignored);
  if (acceptRetry_) acceptRetry_->cancel();
  auto connections = connections_;
  for (auto& connection : connections) connection->close("");
  connections_.clear();
  waiting_.clear();
  // Runs the handlers the closing aborted, so none keeps this listener alive.
  io_.restart();
  io_.poll();
  joinOrRelease(dispatchThread_);
}

void Listener::runLoop() {
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

void Listener::accept() {
  acceptor_->async_accept(
      [self = shared_from_this()](const boost::system::error_code& error, tcp::socket socket) {
        self->onAccepted(error, std::move(socket));
      });
}

void Listener::onAccepted(const boost::system::error_code& error, tcp::socket socket) {
  if (stopping_ || error == asio::error::operation_aborted) return;
  if (error) {
    // Out of descriptors or memory: the connection waits in the backlog until
    // there is room; one line per kind of trouble, not one per attempt.
    if (error.message() != lastAcceptError_)
      sdkLog().warn("alarm listener cannot accept a connection: {}; trying again", error.message());
    lastAcceptError_ = error.message();
    acceptRetry_->expires_after(std::chrono::milliseconds(100));
    acceptRetry_->async_wait([self = shared_from_this()](const boost::system::error_code& e) {
      if (!e && !self->stopping_) self->accept();
    });
    return;
  }
  lastAcceptError_.clear();
  boost::system::error_code ec;
  std::string peer = socket.remote_endpoint(ec).address().to_string();
  if (connections_.size() >= limits_.maxConnections) {
    sdkLog().warn("alarm connection from {} refused: {} connections open, the limit", peer,
                  connections_.size());
    socket.close(ec);
  } else {
    socket.set_option(tcp::no_delay(true), ec);
    try {
      auto connection = std::make_shared<AlarmConnection>(*this, std::move(socket), peer);
      connections_.insert(connection);
      connection->start();
    } catch (const std::exception& e) {
      sdkLog().warn("alarm connection from {} cannot be served: {}; closed", peer, e.what());
    }
  }
  accept();
}

void Listener::authenticated(const std::shared_ptr<AlarmConnection>& connection) {
  std::vector<std::shared_ptr<AlarmConnection>> older;
  for (auto& other : connections_)
    if (other != connection && other->device() == connection->device()) older.push_back(other);
  for (auto& other : older) other->close("replaced by a new connection of the same device");
}

void Listener::closed(const std::shared_ptr<AlarmConnection>& connection) {
  connections_.erase(connection);
}

void Listener::waitForRoom(const std::shared_ptr<AlarmConnection>& connection) {
  waiting_.push_back(connection);
}

void Listener::resumeWaiting() {
  if (stopping_) return;
  asio::post(io_, [self = shared_from_this()] {
    if (self->stopping_) return;
    auto waiting = std::move(self->waiting_);
    self->waiting_.clear();
    for (auto& weak : waiting)
      if (auto connection = weak.lock()) connection->resume();
  });
}

void Listener::deviceLoggedOut(const std::string& device) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    for (Queued& item : queue_)
      if (item.device == device) item.deliver = false;
  }
  if (stopping_) return;
  asio::post(io_, [self = shared_from_this(), device] {
    std::vector<std::shared_ptr<AlarmConnection>> gone;
    for (auto& connection : self->connections_)
      if (connection->device() == device) gone.push_back(connection);
    for (auto& connection : gone) connection->close("the client logged out of the device");
  });
}

void Listener::releaseBytes(size_t bytes) {
  if (bytes == 0) return;
  sdk_.alarmBytes.release(bytes);
  sdk_.alarmBytesReleased();
}

// ---- queue and dispatch ------------------------------------------------------------

bool Listener::queueHasRoom() {
  std::lock_guard<std::mutex> lock(queueMutex_);
  return queue_.size() < kQueueAlarms;
}

void Listener::enqueue(Queued&& item) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (stopping_) return;
    queue_.push_back(std::move(item));
  }
  queueChanged_.notify_all();
}

void Listener::dispatchLoop() {
  for (;;) {
    std::vector<Queued> batch;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      // What queued up meanwhile goes in one round with one ledger sync, so a
      // flood pays a sync per round instead of one per alarm.
      while (!queue_.empty() && batch.size() < kDispatchRound) {
        batch.push_back(std::move(queue_.front()));
        queue_.pop_front();
      }
    }
    resumeWaiting();
    for (Queued& item : batch) {
      if (item.deliver && delivered_.isNew(item.device, item.runId, item.number)) {
        deliver(item);
        delivered_.markDelivered(item.device, item.runId, item.number);
      } else if (item.deliver) {
        sdkLog().info("alarm {} from device {} was delivered before; acknowledged again",
                      item.number, item.device);
      }
      item.alarm = {};
      releaseBytes(std::exchange(item.reserved, 0));
      if (stopping_) break;
    }
    // Alarms of a round cut short by a stop leave the budget they held.
    for (Queued& item : batch) releaseBytes(std::exchange(item.reserved, 0));
    // The round's records go to the disk at once, before its acknowledgements:
    // an alarm stored but not yet acknowledged when the power goes is sent
    // again by its device, and only a record on the disk keeps the restarted
    // client from storing it twice.
    std::string error;
    if (!delivered_.sync(error))
      sdkLog().error("alarm ledger {} cannot be synced ({}); alarms delivered before a power "
                     "loss may be delivered again", ledgerPath_, error);
    if (stopping_) return;  // stopped from inside the callback: no acknowledgement
    for (Queued& item : batch) {
      asio::post(io_, [from = item.from, number = item.number] {
        if (auto connection = from.lock()) connection->acknowledge(number);
      });
    }
  }
}

void Listener::deliver(Queued& item) {
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
    sdkLog().info("alarm {} from device {} dropped: the client logged out of it", item.number,
                  item.device);
    return;
  }

  TSR_MSGCALLBACK callback = callback_;
  void* user = user_;
  if (!callback) std::tie(callback, user) = sdk_.messageCallback();
  if (callback)
    callback(item.alarm.command, &alarmer, item.alarm.bodyData(), item.alarm.bodySize(), user);
}

}  // namespace tessoran
