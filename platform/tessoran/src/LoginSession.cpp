#include "LoginSession.h"

#include "ByteIo.h"
#include "Log.h"
#include "Sdk.h"
#include "ThreadUtil.h"
#include "WireRecords.h"

namespace tessoran {

using namespace std::chrono;
using wire::IoStatus;
using wire::Kind;
using wire::ReadStatus;

uint32_t errorFromIo(IoStatus status, bool connecting)
{
    switch (status) {
    case IoStatus::Ok: return TSR_ERR_NONE;
    case IoStatus::Timeout: return connecting ? TSR_ERR_CONNECT_TIMEOUT : TSR_ERR_REPLY_TIMEOUT;
    case IoStatus::Woken: return TSR_ERR_NOT_INITIALISED;
    case IoStatus::Closed: return connecting ? TSR_ERR_CONNECT_FAILED : TSR_ERR_CONNECTION_LOST;
    case IoStatus::Failed: return TSR_ERR_CONNECT_FAILED;
    }
    return TSR_ERR_CONNECT_FAILED;
}

uint32_t errorFromWire(wire::WireError code)
{
    switch (code) {
    case wire::WireError::BadCredentials: return TSR_ERR_BAD_CREDENTIALS;
    case wire::WireError::LoginRefused: return TSR_ERR_LOGIN_REFUSED;
    case wire::WireError::NotLoggedIn: return TSR_ERR_DEVICE_OFFLINE;
    case wire::WireError::Unsupported: return TSR_ERR_UNSUPPORTED;
    case wire::WireError::NoChannel: return TSR_ERR_CHANNEL;
    case wire::WireError::NoVideo: return TSR_ERR_NO_VIDEO;
    case wire::WireError::Busy: return TSR_ERR_RESOURCES;
    default: return TSR_ERR_PROTOCOL;
    }
}

namespace {

// Reads the reply to a request: the expected kind, or an Error frame mapped to
// its code.
uint32_t awaitReply(wire::Socket& socket, Kind expected, const std::vector<int>& wakeFds, std::vector<uint8_t>& body)
{
    wire::Frame frame;
    std::string why;
    int replyMs = NetworkTimes::replyMs;
    switch (wire::readFrame(socket, replyMs, replyMs, wakeFds, frame, why)) {
    case ReadStatus::Ok: break;
    case ReadStatus::Timeout: return TSR_ERR_REPLY_TIMEOUT;
    case ReadStatus::Woken: return TSR_ERR_NOT_INITIALISED;
    case ReadStatus::Closed: return TSR_ERR_CONNECTION_LOST;
    case ReadStatus::Malformed: return TSR_ERR_PROTOCOL;
    }
    if (frame.header.kind == Kind::Error) {
        wire::WireError code;
        std::string text;
        if (!wire::parseErrorBody(frame.body, code, text))
            return TSR_ERR_PROTOCOL;
        sdkLog().info("device error {}: {}", static_cast<uint32_t>(code), text);
        return errorFromWire(code);
    }
    if (frame.header.kind != expected)
        return TSR_ERR_PROTOCOL;
    body = std::move(frame.body);
    return TSR_ERR_NONE;
}

uint32_t sendRequest(wire::Socket& socket, Kind kind, const std::vector<uint8_t>& body, const std::vector<int>& wakeFds)
{
    return errorFromIo(wire::writeFrame(socket, kind, 0, body, NetworkTimes::replyMs, wakeFds), false);
}

} // namespace

uint32_t authenticate(const Credentials& credentials, const std::vector<int>& wakeFds, wire::Socket& socket,
                      wire::Token& token, TSR_DEVICEINFO& info)
{
    IoStatus status;
    socket = wire::Socket::connectTo(credentials.address, credentials.port, NetworkTimes::connectMs, wakeFds, status);
    if (status != IoStatus::Ok)
        return errorFromIo(status, true);

    const wire::Nonce clientNonce = wire::randomArray<wire::Nonce>();
    wire::ByteWriter hello;
    hello.text(credentials.user);
    hello.raw(clientNonce.data(), clientNonce.size());
    std::vector<uint8_t> reply;
    if (uint32_t e = sendRequest(socket, Kind::LoginHello, hello.bytes(), wakeFds))
        return e;
    if (uint32_t e = awaitReply(socket, Kind::LoginChallenge, wakeFds, reply))
        return e;
    wire::Nonce deviceNonce;
    wire::Proof deviceProof;
    wire::ByteReader challenge(reply.data(), reply.size());
    challenge.raw(deviceNonce.data(), deviceNonce.size());
    challenge.raw(deviceProof.data(), deviceProof.size());
    if (!challenge.atEnd())
        return TSR_ERR_PROTOCOL;
    // Whoever answers at a stored address must prove the password before the
    // client proves anything or takes its alarms, video or configuration.
    if (!wire::proofMatches(wire::deviceLoginProof(credentials.password, clientNonce, deviceNonce, credentials.user),
                            deviceProof)) {
        sdkLog().warn("device at {}:{} did not prove the password of user {}: not that device, or "
                      "the password is wrong; login refused",
                      credentials.address, credentials.port, credentials.user);
        return TSR_ERR_BAD_CREDENTIALS;
    }

    wire::Proof proof = wire::clientLoginProof(credentials.password, deviceNonce, clientNonce, credentials.user);
    std::vector<uint8_t> proofBody(proof.begin(), proof.end());
    if (uint32_t e = sendRequest(socket, Kind::LoginProof, proofBody, wakeFds))
        return e;
    if (uint32_t e = awaitReply(socket, Kind::LoginAccepted, wakeFds, reply))
        return e;
    std::string why;
    if (!wire::decodeLoginAccepted(reply, token, info, why)) {
        sdkLog().warn("login reply from {}: {}", credentials.address, why);
        return TSR_ERR_PROTOCOL;
    }
    return TSR_ERR_NONE;
}

uint32_t LoginSession::openConnection(Kind kind, const std::vector<uint8_t>& body, Kind replyKind,
                                      const std::vector<int>& wakeFds, wire::Socket& socket,
                                      std::vector<uint8_t>& reply) const
{
    if (!online_)
        return TSR_ERR_DEVICE_OFFLINE;
    IoStatus status;
    socket = wire::Socket::connectTo(credentials_.address, credentials_.port, NetworkTimes::connectMs, wakeFds, status);
    if (status != IoStatus::Ok)
        return errorFromIo(status, true);
    wire::Token session = token();
    wire::ByteWriter request;
    request.raw(session.data(), session.size());
    request.raw(body.data(), body.size());
    if (uint32_t e = sendRequest(socket, kind, request.bytes(), wakeFds))
        return e;
    return awaitReply(socket, replyKind, wakeFds, reply);
}

LoginSession::LoginSession(Sdk& sdk, int32_t id, Credentials credentials, wire::Socket socket, wire::Token token)
    : sdk_(sdk), id_(id), credentials_(std::move(credentials)), socket_(std::move(socket)), token_(token)
{
}

LoginSession::~LoginSession() = default;

wire::Token LoginSession::token() const
{
    std::lock_guard<std::mutex> lock(ioMutex_);
    return token_;
}

void LoginSession::start()
{
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    lastHeard_ = steady_clock::now();
    if (!stopping_)
        thread_ = std::thread([self = shared_from_this()] { self->run(); });
}

void LoginSession::stop(bool sayGoodbye)
{
    if (sayGoodbye && online_)
        send(Kind::Logout, nextSequence_++, {});
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex_);
        stopping_ = true;
    }
    stopWaker_.signal();
    joinOrRelease(thread_);
    {
        std::lock_guard<std::mutex> lock(ioMutex_);
        socket_.close();
    }
    failPending(TSR_ERR_INVALID_HANDLE);
}

uint32_t LoginSession::query(Kind kind, const std::vector<uint8_t>& body, Kind replyKind, std::vector<uint8_t>& reply)
{
    if (stopping_)
        return TSR_ERR_INVALID_HANDLE;
    if (!online_)
        return TSR_ERR_DEVICE_OFFLINE;
    uint32_t sequence = nextSequence_++;
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard<std::mutex> lock(pendingMutex_);
        pending_[sequence] = pending;
    }
    bool sent = send(kind, sequence, body);
    std::unique_lock<std::mutex> lock(pendingMutex_);
    if (sent)
        pendingDone_.wait_for(lock, milliseconds(NetworkTimes::replyMs), [&] { return pending->done; });
    pending_.erase(sequence);
    if (!sent)
        return TSR_ERR_CONNECTION_LOST;
    if (!pending->done)
        return TSR_ERR_REPLY_TIMEOUT;
    if (pending->error)
        return pending->error;
    wire::Frame& frame = pending->reply;
    if (frame.header.kind == Kind::Error) {
        wire::WireError code;
        std::string text;
        if (!wire::parseErrorBody(frame.body, code, text))
            return TSR_ERR_PROTOCOL;
        return errorFromWire(code);
    }
    if (frame.header.kind != replyKind)
        return TSR_ERR_PROTOCOL;
    reply = std::move(frame.body);
    return TSR_ERR_NONE;
}

bool LoginSession::send(Kind kind, uint32_t sequence, const std::vector<uint8_t>& body)
{
    std::lock_guard<std::mutex> lock(ioMutex_);
    if (!socket_.valid())
        return false;
    return wire::writeFrame(socket_, kind, sequence, body, NetworkTimes::replyMs, {stopWaker_.fd(), sdk_.stopFd()}) ==
           IoStatus::Ok;
}

void LoginSession::run()
{
    while (!stopping_ && !sdk_.stopping()) {
        if (online_)
            serveOnline();
        else
            tryRelogin();
    }
}

void LoginSession::serveOnline()
{
    const int beatMs = NetworkTimes::heartbeatMs;
    auto nextBeat = steady_clock::now() + milliseconds(beatMs);
    while (!stopping_) {
        int wait =
            static_cast<int>(std::max<int64_t>(0, duration_cast<milliseconds>(nextBeat - steady_clock::now()).count()));
        wire::Frame frame;
        std::string why;
        switch (wire::readFrame(socket_, wait, NetworkTimes::replyMs, {stopWaker_.fd(), sdk_.stopFd()}, frame, why)) {
        case ReadStatus::Ok:
            lastHeard_ = steady_clock::now();
            handleFrame(frame);
            break;
        case ReadStatus::Timeout: break;
        case ReadStatus::Woken: return;
        case ReadStatus::Closed: return markDropped("connection closed");
        case ReadStatus::Malformed: return markDropped(why.c_str());
        }
        auto now = steady_clock::now();
        if (now < nextBeat)
            continue;
        if (now - lastHeard_ > milliseconds(3 * beatMs))
            return markDropped("three heartbeats missed");
        if (!send(Kind::Heartbeat, nextSequence_++, {}))
            return markDropped("heartbeat not sent");
        nextBeat = now + milliseconds(beatMs);
    }
}

void LoginSession::handleFrame(wire::Frame& frame)
{
    if (frame.header.kind == Kind::HeartbeatAck)
        return;
    std::lock_guard<std::mutex> lock(pendingMutex_);
    auto it = pending_.find(frame.header.sequence);
    if (it == pending_.end())
        return; // a reply that came after its caller gave up
    it->second->reply = std::move(frame);
    it->second->done = true;
    pendingDone_.notify_all();
}

void LoginSession::markDropped(const char* why)
{
    sdkLog().warn("login {} to {}:{} dropped: {}", id_, credentials_.address, credentials_.port, why);
    online_ = false;
    {
        std::lock_guard<std::mutex> lock(ioMutex_);
        socket_.close();
    }
    failPending(TSR_ERR_CONNECTION_LOST);
    sdk_.postException(TSR_EXCEPTION_DEVICE_DROPPED, id_);
}

void LoginSession::tryRelogin()
{
    std::vector<int> wakeFds{stopWaker_.fd(), sdk_.stopFd()};
    if (wire::sleepUnlessWoken(NetworkTimes::heartbeatMs, wakeFds) == IoStatus::Woken)
        return;
    wire::Socket socket;
    wire::Token token;
    TSR_DEVICEINFO info{};
    if (authenticate(credentials_, wakeFds, socket, token, info) != TSR_ERR_NONE)
        return;
    {
        std::lock_guard<std::mutex> lock(ioMutex_);
        socket_ = std::move(socket);
        token_ = token;
    }
    lastHeard_ = steady_clock::now();
    online_ = true;
    sdkLog().info("login {} to {}:{} restored", id_, credentials_.address, credentials_.port);
    sdk_.postException(TSR_EXCEPTION_DEVICE_RESTORED, id_);
}

void LoginSession::failPending(uint32_t error)
{
    std::lock_guard<std::mutex> lock(pendingMutex_);
    for (auto& [sequence, pending] : pending_) {
        if (pending->done)
            continue;
        pending->error = error;
        pending->done = true;
    }
    pendingDone_.notify_all();
}

} // namespace tessoran
