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

} // namespace

std::atomic<int> NetworkTimes::connectMs{3000};
std::atomic<int> NetworkTimes::replyMs{5000};
std::atomic<int> NetworkTimes::heartbeatMs{2000};

std::atomic<uint32_t> ListenLimits::maxConnections{300};
std::atomic<uint32_t> ListenLimits::frameTimeoutMs{10000};
std::atomic<uint32_t> ListenLimits::maxBufferedBytes{64u << 20};

namespace {
std::mutex g_ledgerMutex;
std::string g_ledgerPath;
} // namespace

std::string ListenLimits::ledgerPath()
{
    std::lock_guard<std::mutex> lock(g_ledgerMutex);
    return g_ledgerPath;
}

void ListenLimits::setLedgerPath(std::string path)
{
    std::lock_guard<std::mutex> lock(g_ledgerMutex);
    g_ledgerPath = std::move(path);
}

int32_t nextLoginId()
{
    return g_nextLoginId++;
}
int32_t nextHandle()
{
    return g_nextHandle++;
}

Sdk::Sdk() = default;

// The event thread keeps the SDK alive until clean-up ends it, so a clean-up
// called from inside an exception callback never pulls the object away under it.
Sdk::~Sdk() = default;

std::shared_ptr<Sdk> Sdk::current()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_sdk;
}

bool Sdk::init()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_sdk) {
        auto sdk = std::make_shared<Sdk>();
        sdk->eventThread_ = std::thread([sdk] { sdk->eventLoop(); });
        g_sdk = sdk;
    }
    return true;
}

void Sdk::cleanup()
{
    std::shared_ptr<Sdk> sdk;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        sdk.swap(g_sdk);
    }
    if (sdk)
        sdk->shutdown();
}

void Sdk::shutdown()
{
    stopping_ = true;
    stopWaker_.signal();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        messageCallback_ = nullptr;
        exceptionCallback_ = nullptr;
    }
    for (auto& [handle, listener] : listeners.close())
        listener->stop();
    for (auto& [handle, play] : plays.close())
        play->stop();
    for (auto& [handle, download] : downloads.close())
        download->stop();
    for (auto& [id, login] : logins.close())
        login->stop(true);
    {
        std::lock_guard<std::mutex> lock(eventMutex_);
        eventsStopped_ = true;
    }
    eventReady_.notify_all();
    joinOrRelease(eventThread_);
}

int32_t Sdk::loginIdFor(const char* ip, uint16_t port) const
{
    return logins.findHandle([&](const LoginSession& login) { return login.port() == port && login.address() == ip; });
}

bool Sdk::isDeviceAddress(const std::string& ip) const
{
    return logins.findHandle([&](const LoginSession& login) { return login.address() == ip; }) >= 0;
}

void Sdk::alarmBytesReleased()
{
    listeners.forEach([](Listener& listener) { listener.resumeWaiting(); });
}

bool Sdk::passwordFor(const std::string& ip, uint16_t port, const std::string& user, std::string& password) const
{
    int32_t id = logins.findHandle([&](const LoginSession& login) {
        return login.port() == port && login.address() == ip && login.user() == user;
    });
    auto login = logins.find(id);
    if (!login)
        return false;
    password = login->password();
    return true;
}

void Sdk::setMessageCallback(TSR_MSGCALLBACK callback, void* user)
{
    std::lock_guard<std::mutex> lock(mutex_);
    messageCallback_ = callback;
    messageUser_ = user;
}

std::pair<TSR_MSGCALLBACK, void*> Sdk::messageCallback() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {messageCallback_, messageUser_};
}

void Sdk::setRoundCallback(TSR_ALARMROUNDCALLBACK callback, void* user)
{
    std::lock_guard<std::mutex> lock(mutex_);
    roundCallback_ = callback;
    roundUser_ = user;
}

std::pair<TSR_ALARMROUNDCALLBACK, void*> Sdk::roundCallback() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {roundCallback_, roundUser_};
}

void Sdk::setExceptionCallback(TSR_EXCEPTIONCALLBACK callback, void* user)
{
    std::lock_guard<std::mutex> lock(mutex_);
    exceptionCallback_ = callback;
    exceptionUser_ = user;
}

void Sdk::postException(uint32_t type, int32_t loginId)
{
    {
        std::lock_guard<std::mutex> lock(eventMutex_);
        if (eventsStopped_)
            return;
        events_.push_back({type, loginId});
    }
    eventReady_.notify_one();
}

void Sdk::eventLoop()
{
    for (;;) {
        ExceptionEvent event;
        {
            std::unique_lock<std::mutex> lock(eventMutex_);
            eventReady_.wait(lock, [this] { return eventsStopped_ || !events_.empty(); });
            if (eventsStopped_)
                return;
            event = events_.front();
            events_.pop_front();
        }
        // A login ended in the meantime gets no late report.
        if (!logins.find(event.loginId))
            continue;
        TSR_EXCEPTIONCALLBACK callback;
        void* user;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            callback = exceptionCallback_;
            user = exceptionUser_;
        }
        if (callback)
            callback(event.type, event.loginId, -1, user);
    }
}

} // namespace tessoran
