#pragma once
// One login: the control connection to a device, kept alive by heartbeats on the
// session thread, which also reads the replies to queries. After three missed
// heartbeats (or a lost connection) the device counts as dropped; the thread then
// logs in again every heartbeat interval and reports the restore.

#include "tessoran.h"
#include "FrameIo.h"
#include "LoginProof.h"
#include "Waker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessoran {

class Sdk;

struct Credentials
{
    std::string address;
    uint16_t port = 0;
    std::string user;
    std::string password;
};

// Connects and runs the challenge-response handshake. Returns a TSR_ERR_* code.
uint32_t authenticate(const Credentials& credentials, const std::vector<int>& wakeFds, wire::Socket& socket,
                      wire::Token& token, TSR_DEVICEINFO& info);

// Maps a refused connection attempt or read to a TSR_ERR_* code.
uint32_t errorFromIo(wire::IoStatus status, bool connecting);
uint32_t errorFromWire(wire::WireError code);

class LoginSession : public std::enable_shared_from_this<LoginSession>
{
public:
    LoginSession(Sdk& sdk, int32_t id, Credentials credentials, wire::Socket socket, wire::Token token);
    ~LoginSession();

    int32_t id() const { return id_; }
    const std::string& address() const { return credentials_.address; }
    uint16_t port() const { return credentials_.port; }
    const std::string& user() const { return credentials_.user; }
    const std::string& password() const { return credentials_.password; }
    wire::Token token() const;

    void start();
    // Ends the session thread; with sayGoodbye the device is told first.
    void stop(bool sayGoodbye);

    // Opens a connection of its own to the device (live video, download): sends
    // `kind` with the session token before `body` and waits for `replyKind`.
    // Returns a TSR_ERR_* code; Error frames are mapped.
    uint32_t openConnection(wire::Kind kind, const std::vector<uint8_t>& body, wire::Kind replyKind,
                            const std::vector<int>& wakeFds, wire::Socket& socket, std::vector<uint8_t>& reply) const;

    // Sends a request on the control connection and waits for the reply with the
    // same sequence number. Returns a TSR_ERR_* code; Error frames are mapped.
    uint32_t query(wire::Kind kind, const std::vector<uint8_t>& body, wire::Kind replyKind,
                   std::vector<uint8_t>& reply);

private:
    struct Pending
    {
        bool done = false;
        uint32_t error = 0;
        wire::Frame reply;
    };

    void run();
    void serveOnline();
    void tryRelogin();
    void handleFrame(wire::Frame& frame);
    void markDropped(const char* why);
    void failPending(uint32_t error);
    bool send(wire::Kind kind, uint32_t sequence, const std::vector<uint8_t>& body);

    Sdk& sdk_;
    const int32_t id_;
    const Credentials credentials_;
    wire::Waker stopWaker_;
    std::mutex lifecycleMutex_; // a stop that beat the start keeps the thread from starting
    std::atomic<bool> stopping_{false};
    std::atomic<bool> online_{true};
    std::thread thread_;

    mutable std::mutex ioMutex_; // guards socket_ replacement, writes and token_
    wire::Socket socket_;
    wire::Token token_;
    std::atomic<uint32_t> nextSequence_{1};

    std::mutex pendingMutex_;
    std::condition_variable pendingDone_;
    std::map<uint32_t, std::shared_ptr<Pending>> pending_;

    std::chrono::steady_clock::time_point lastHeard_;
};

} // namespace tessoran
