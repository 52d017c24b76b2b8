#pragma once
// Alarm listener: accepts devices' connections, reads and validates their alarm
// frames on one reader thread per connection, and runs the callback for each on
// one dispatch thread. The queue between them is bounded: a reader that finds it
// full waits, so it stops reading and TCP pushes back on the device.

#include "tessoran.h"
#include "ConnectionThreads.h"
#include "FrameIo.h"
#include "Waker.h"
#include "WireRecords.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessoran {

class Sdk;

class Listener : public std::enable_shared_from_this<Listener> {
public:
  static constexpr size_t kQueueAlarms = 256;
  static constexpr size_t kQueueBytes = 32u << 20;

  Listener(Sdk& sdk, TSR_MSGCALLBACK callback, void* user);
  ~Listener();

  // Binds and starts the threads; false with the reason in `error`.
  bool start(const std::string& address, uint16_t port, std::string& error);
  void stop();

private:
  struct Queued {
    wire::DecodedAlarm alarm;
    std::string peer;
  };

  void acceptLoop();
  void readLoop(wire::ConnectionThreads::Connection& connection);
  void dispatchLoop();
  bool enqueue(Queued&& item);
  void deliver(Queued& item);
  std::vector<int> wakeFds() const;

  Sdk& sdk_;
  const TSR_MSGCALLBACK callback_;
  void* const user_;
  wire::Socket server_;
  wire::Waker stopWaker_;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;
  std::thread dispatchThread_;

  wire::ConnectionThreads connections_;

  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<Queued> queue_;
  size_t queuedBytes_ = 0;
};

}  // namespace tessoran
