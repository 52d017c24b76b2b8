#include "Sdk.h"

#include "Download.h"
#include "Listener.h"
#include "LoginSession.h"
#include "RealPlay.h"
#include "ThreadUtil.h"

#include <cstring>

namespace tessoran {
namespace {

std::mutex g_mutex;
std::shared_ptr<Sdk> g_sdk;
std::atomic<int32_t> g_nextLoginId{0};
std::atomic<int32_t> g_nextHandle{0};

template <class Map>
typename Map::mapped_type find(const Map& map, int32_t key) {
  auto it = map.find(key);
  return it == map.end() ? nullptr : it->second;
}

template <class Map>
typename Map::mapped_type take(Map& map, int32_t key) {
  auto it = map.find(key);
  if (it == map.end()) return nullptr;
  auto value = it->second;
  map.erase(it);
  return value;
}

}  // namespace

std::atomic<int> NetworkTimes::connectMs{3000};
std::atomic<int> NetworkTimes::replyMs{5000};
std::atomic<int> NetworkTimes::heartbeatMs{2000};

int32_t nextLoginId() { return g_nextLoginId++; }
int32_t nextHandle() { return g_nextHandle++; }

Sdk::Sdk() = default;

// The event thread keeps the SDK alive until clean-up ends it, so a clean-up
// called from inside an exception callback never pulls the object away under it.
Sdk::~Sdk() = default;

std::shared_ptr<Sdk> Sdk::current() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_sdk;
}

bool Sdk::init() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_sdk) {
    auto sdk = std::make_shared<Sdk>();
    sdk->eventThread_ = std::thread([sdk] { sdk->eventLoop(); });
    g_sdk = sdk;
  }
  return true;
}

void Sdk::cleanup() {
  std::shared_ptr<Sdk> sdk;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    sdk.swap(g_sdk);
  }
  if (sdk) sdk->shutdown();
}

void Sdk::shutdown() {
  stopping_ = true;
  stopWaker_.signal();
  std::map<int32_t, std::shared_ptr<LoginSession>> logins;
  std::map<int32_t, std::shared_ptr<Listener>> listeners;
  std::map<int32_t, std::shared_ptr<RealPlay>> plays;
  std::map<int32_t, std::shared_ptr<Download>> downloads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    logins.swap(logins_);
    listeners.swap(listeners_);
    plays.swap(plays_);
    downloads.swap(downloads_);
    messageCallback_ = nullptr;
    exceptionCallback_ = nullptr;
  }
  for (auto& [handle, listener] : listeners) listener->stop();
  for (auto& [handle, play] : plays) play->stop();
  for (auto& [handle, download] : downloads) download->stop();
  for (auto& [id, login] : logins) login->stop(true);
  {
    std::lock_guard<std::mutex> lock(eventMutex_);
    eventsStopped_ = true;
  }
  eventReady_.notify_all();
  joinOrRelease(eventThread_);
}

bool Sdk::addLogin(const std::shared_ptr<LoginSession>& login) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return false;
  logins_[login->id()] = login;
  return true;
}

std::shared_ptr<LoginSession> Sdk::login(int32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return find(logins_, id);
}

std::shared_ptr<LoginSession> Sdk::takeLogin(int32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return take(logins_, id);
}

int32_t Sdk::loginIdFor(const char* ip, uint16_t port) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, login] : logins_)
    if (login->port() == port && login->address() == ip) return id;
  return -1;
}

bool Sdk::addListener(int32_t handle, const std::shared_ptr<Listener>& listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return false;
  listeners_[handle] = listener;
  return true;
}

std::shared_ptr<Listener> Sdk::takeListener(int32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  return take(listeners_, handle);
}

bool Sdk::addPlay(int32_t handle, const std::shared_ptr<RealPlay>& play) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return false;
  plays_[handle] = play;
  return true;
}

std::shared_ptr<RealPlay> Sdk::play(int32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  return find(plays_, handle);
}

std::shared_ptr<RealPlay> Sdk::takePlay(int32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  return take(plays_, handle);
}

bool Sdk::addDownload(int32_t handle, const std::shared_ptr<Download>& download) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return false;
  downloads_[handle] = download;
  return true;
}

std::shared_ptr<Download> Sdk::download(int32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  return find(downloads_, handle);
}

std::shared_ptr<Download> Sdk::takeDownload(int32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  return take(downloads_, handle);
}

void Sdk::setMessageCallback(TSR_MSGCALLBACK callback, void* user) {
  std::lock_guard<std::mutex> lock(mutex_);
  messageCallback_ = callback;
  messageUser_ = user;
}

std::pair<TSR_MSGCALLBACK, void*> Sdk::messageCallback() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {messageCallback_, messageUser_};
}

void Sdk::setExceptionCallback(TSR_EXCEPTIONCALLBACK callback, void* user) {
  std::lock_guard<std::mutex> lock(mutex_);
  exceptionCallback_ = callback;
  exceptionUser_ = user;
}

void Sdk::postException(uint32_t type, int32_t loginId) {
  {
    std::lock_guard<std::mutex> lock(eventMutex_);
    if (eventsStopped_) return;
    events_.push_back({type, loginId});
  }
  eventReady_.notify_one();
}

void Sdk::eventLoop() {
  for (;;) {
    ExceptionEvent event;
    {
      std::unique_lock<std::mutex> lock(eventMutex_);
      eventReady_.wait(lock, [this] { return eventsStopped_ || !events_.empty(); });
      if (eventsStopped_) return;
      event = events_.front();
      events_.pop_front();
    }
    TSR_EXCEPTIONCALLBACK callback;
    void* user;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // A login ended in the meantime gets no late report.
      if (!logins_.count(event.loginId)) continue;
      callback = exceptionCallback_;
      user = exceptionUser_;
    }
    if (callback) callback(event.type, event.loginId, -1, user);
  }
}

}  // namespace tessoran
