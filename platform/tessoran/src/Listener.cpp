#include "Listener.h"

#include "Log.h"
#include "Sdk.h"
#include "ThreadUtil.h"

namespace tessoran {

using wire::Kind;
using wire::ReadStatus;

namespace {
constexpr int kBodyWaitMs = 10000;  // a device that stops mid-frame is dropped after this
}

Listener::Listener(Sdk& sdk, TSR_MSGCALLBACK callback, void* user)
    : sdk_(sdk), callback_(callback), user_(user) {}

Listener::~Listener() = default;

std::vector<int> Listener::wakeFds() const { return {stopWaker_.fd(), sdk_.stopFd()}; }

bool Listener::start(const std::string& address, uint16_t port, std::string& error) {
  server_ = wire::Socket::listenOn(address, port, error);
  if (!server_.valid()) return false;
  auto self = shared_from_this();
  acceptThread_ = std::thread([self] { self->acceptLoop(); });
  dispatchThread_ = std::thread([self] { self->dispatchLoop(); });
  return true;
}

void Listener::stop() {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (stopping_.exchange(true)) return;
    queue_.clear();
    queuedBytes_ = 0;
  }
  queueChanged_.notify_all();
  stopWaker_.signal();
  if (acceptThread_.joinable()) acceptThread_.join();
  connections_.joinAll();
  joinOrRelease(dispatchThread_);
  server_.close();
}

void Listener::acceptLoop() {
  while (!stopping_) {
    wire::IoStatus status = server_.waitReadable(1000, wakeFds());
    connections_.reap();
    if (status == wire::IoStatus::Woken) return;
    if (status != wire::IoStatus::Ok) continue;
    wire::Socket socket = server_.accept();
    if (socket.valid())
      connections_.start(std::move(socket), [this](auto& connection) { readLoop(connection); });
  }
}

void Listener::readLoop(wire::ConnectionThreads::Connection& connection) {
  while (!stopping_) {
    wire::Frame frame;
    std::string why;
    ReadStatus status =
        wire::readFrame(connection.socket, -1, kBodyWaitMs, wakeFds(), frame, why);
    if (status == ReadStatus::Malformed) {
      sdkLog().warn("alarm connection from {}: {}; closing it", connection.peer, why);
      wire::writeFrame(connection.socket, Kind::Error, 0,
                       wire::errorBody(wire::WireError::BadFrame, why.c_str()), 1000, wakeFds());
      break;
    }
    if (status != ReadStatus::Ok) break;
    if (frame.header.kind == Kind::Heartbeat) {
      wire::writeFrame(connection.socket, Kind::HeartbeatAck, frame.header.sequence, {}, 1000,
                       wakeFds());
      continue;
    }
    if (frame.header.kind != Kind::Alarm) {
      sdkLog().warn("alarm connection from {}: unexpected frame kind {}; closing it",
                    connection.peer, static_cast<int>(frame.header.kind));
      wire::writeFrame(connection.socket, Kind::Error, frame.header.sequence,
                       wire::errorBody(wire::WireError::BadFrame, "unexpected frame kind"), 1000,
                       wakeFds());
      break;
    }
    Queued item;
    if (!wire::decodeAlarm(std::move(frame.body), item.alarm, why)) {
      sdkLog().warn("alarm from {} dropped: {}", connection.peer, why);
      continue;
    }
    item.peer = connection.peer;
    if (!enqueue(std::move(item))) break;
  }
}

bool Listener::enqueue(Queued&& item) {
  size_t bytes = item.alarm.bytes.size();
  std::unique_lock<std::mutex> lock(queueMutex_);
  // Waiting here is the back-pressure: this connection is not read meanwhile. An
  // alarm larger than the byte budget still passes once the queue is empty.
  queueChanged_.wait(lock, [&] {
    return stopping_ || queue_.empty() ||
           (queue_.size() < kQueueAlarms && queuedBytes_ + bytes <= kQueueBytes);
  });
  if (stopping_) return false;
  queuedBytes_ += bytes;
  queue_.push_back(std::move(item));
  queueChanged_.notify_all();
  return true;
}

void Listener::dispatchLoop() {
  for (;;) {
    Queued item;
    {
      std::unique_lock<std::mutex> lock(queueMutex_);
      queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      item = std::move(queue_.front());
      queue_.pop_front();
      queuedBytes_ -= item.alarm.bytes.size();
    }
    queueChanged_.notify_all();
    deliver(item);
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

  TSR_MSGCALLBACK callback = callback_;
  void* user = user_;
  if (!callback) std::tie(callback, user) = sdk_.messageCallback();
  if (callback)
    callback(item.alarm.command, &alarmer, item.alarm.bodyData(), item.alarm.bodySize(), user);
}

}  // namespace tessoran
