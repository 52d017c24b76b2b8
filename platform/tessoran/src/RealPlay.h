#pragma once
// One live stream on its own connection. The receive thread delivers the stream
// header first, then the data blocks in order, to the data callback. When the
// connection is lost it opens it again, once the login is back online, and
// delivers a fresh header.

#include "tessoran.h"
#include "FrameIo.h"
#include "Waker.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessoran {

class Sdk;
class LoginSession;
class WindowPlayer;

class RealPlay : public std::enable_shared_from_this<RealPlay>
{
public:
    RealPlay(Sdk& sdk, int32_t handle, std::shared_ptr<LoginSession> login, const TSR_PREVIEWINFO& preview,
             TSR_REALDATACALLBACK callback, void* user, std::unique_ptr<WindowPlayer> player);
    ~RealPlay();

    // Opens the stream and waits for its header; returns a TSR_ERR_* code.
    uint32_t open();
    void start();
    void setCallback(TSR_REALDATACALLBACK callback, void* user);
    void stop();

private:
    uint32_t connectStream(wire::Socket& socket, std::vector<uint8_t>& header);
    void run();
    void receive();
    void reopenLater();
    void deliver(uint32_t type, const std::vector<uint8_t>& block);
    void feedPlayer(uint32_t type, const std::vector<uint8_t>& block);
    std::vector<int> wakeFds() const;

    Sdk& sdk_;
    const int32_t handle_;
    const std::shared_ptr<LoginSession> login_;
    const TSR_PREVIEWINFO preview_;
    wire::Waker wakeWaker_;     // stop, or a new callback whose header is due
    std::mutex lifecycleMutex_; // a stop that beat the start keeps the thread from starting
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    wire::Socket socket_;

    std::mutex callbackMutex_;
    TSR_REALDATACALLBACK callback_;
    void* user_;
    bool headerDue_ = true;
    std::vector<uint8_t> header_;
    std::unique_ptr<WindowPlayer> player_; // used by the receive thread only
    bool playerOpen_ = false;
};

} // namespace tessoran
