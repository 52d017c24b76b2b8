#include "AlarmConnection.h"

#include "Log.h"
#include "Sdk.h"

#include <boost/asio/write.hpp>

#include <chrono>
#include <cstring>

namespace tessoran {

namespace asio = boost::asio;
using wire::Kind;
using wire::WireError;

namespace {
constexpr size_t kReadChunk = 64 * 1024;
// Answers waiting for a device that does not read them: past this many, its
// connection is read no further until they have gone out.
constexpr size_t kOutboxFrames = 64;
} // namespace

AlarmConnection::AlarmConnection(Listener& listener, asio::ip::tcp::socket socket, std::string peer)
    : listener_(listener), socket_(std::move(socket)), deadline_(listener.io()), peer_(std::move(peer))
{
}

AlarmConnection::~AlarmConnection() = default;

void AlarmConnection::start()
{
    nonce_ = wire::randomArray<wire::Nonce>();
    armDeadline(); // the device's proof, not only one frame, must come within it
    send(Kind::AlarmChallenge, 0, std::vector<uint8_t>(nonce_.begin(), nonce_.end()));
    readHeader();
}

void AlarmConnection::resume()
{
    if (closed_ || waiting_ == Waiting::Outbox)
        return;
    Waiting was = std::exchange(waiting_, Waiting::Nothing);
    if (was == Waiting::QueueRoom) {
        readHeader();
    } else if (was == Waiting::Budget) {
        armDeadline();
        onHeader();
    }
}

void AlarmConnection::acknowledge(uint32_t number)
{
    if (!closed_)
        send(Kind::AlarmAck, number, {});
}

void AlarmConnection::close(const std::string& why)
{
    if (closed_)
        return;
    closed_ = true;
    if (!why.empty()) {
        const std::string line = "alarm connection from " + peer_ +
                                 (device_.empty() ? "" : " (device " + device_ + ")") + ": " + why + "; closed";
        if (proven_)
            sdkLog().warn("{}", line);
        else
            listener_.refused("closed before a device proved itself", line); // anyone may cause these
    }
    boost::system::error_code ignored;
    socket_.shutdown(asio::socket_base::shutdown_both, ignored);
    socket_.close(ignored);
    deadline_.cancel();
    if (reserved_)
        listener_.releaseBytes(std::exchange(reserved_, 0));
    listener_.closed(shared_from_this());
}

// ---- reading ------------------------------------------------------------------

void AlarmConnection::readHeader()
{
    if (closed_ || closeAfterWrite_)
        return;
    if (outbox_.size() >= kOutboxFrames) {
        // Unread, so TCP holds the device back; it must take its answers within
        // the frame deadline.
        waiting_ = Waiting::Outbox;
        armDeadline();
        return;
    }
    if (proven_ && !listener_.queueHasRoom()) {
        waiting_ = Waiting::QueueRoom; // unread, so TCP holds the device back
        listener_.waitForRoom(shared_from_this());
        return;
    }
    headerHave_ = 0;
    socket_.async_read_some(asio::buffer(headerBytes_),
                            [self = shared_from_this()](const boost::system::error_code& error, size_t bytes) {
                                self->onHeaderBytes(error, bytes);
                            });
}

void AlarmConnection::onHeaderBytes(const boost::system::error_code& error, size_t bytes)
{
    if (closed_)
        return;
    if (error) {
        if (proven_ && headerHave_ == 0) {
            sdkLog().info("device {} closed its alarm connection from {}", device_, peer_);
            return close("");
        }
        return cutShort(error == asio::error::eof ? "close" : error.message().c_str());
    }
    // A proven device may stay quiet between alarms; a frame it begins must end.
    if (proven_ && headerHave_ == 0)
        armDeadline();
    headerHave_ += bytes;
    if (headerHave_ < wire::kHeaderSize) {
        socket_.async_read_some(
            asio::buffer(headerBytes_ + headerHave_, wire::kHeaderSize - headerHave_),
            [self = shared_from_this()](const boost::system::error_code& e, size_t n) { self->onHeaderBytes(e, n); });
        return;
    }
    wire::HeaderStatus status = wire::decodeHeader(headerBytes_, wire::kHeaderSize, header_);
    if (status != wire::HeaderStatus::Ok)
        return refuse(WireError::BadFrame, wire::headerStatusText(status));
    if (!proven_ && header_.kind != Kind::AlarmHello)
        return refuse(WireError::BadFrame, "an alarm connection starts with the device's hello");
    if (!proven_ && header_.length > wire::kMaxHelloBody)
        return refuse(WireError::BadFrame, "hello of " + std::to_string(header_.length) + " bytes");
    onHeader();
}

void AlarmConnection::onHeader()
{
    if (header_.kind == Kind::Alarm) {
        const Listener::Limits& limits = listener_.limits();
        if (!listener_.sdk().alarmBytes.tryReserve(header_.length, limits.maxBufferedBytes)) {
            deadline_.cancel(); // our wait, not the device's: its deadline starts again after
            waiting_ = Waiting::Budget;
            listener_.waitForRoom(shared_from_this());
            return;
        }
        reserved_ = header_.length;
        body_ = listener_.sdk().alarmBuffers.take();
    }
    body_.clear();
    bodyHave_ = 0;
    readBody();
}

void AlarmConnection::readBody()
{
    if (bodyHave_ == header_.length)
        return onFrame();
    // The buffer grows with the bytes that came, never to an announced length.
    const size_t chunk = std::min<size_t>(kReadChunk, header_.length - bodyHave_);
    body_.resize(bodyHave_ + chunk);
    socket_.async_read_some(asio::buffer(body_.data() + bodyHave_, chunk),
                            [self = shared_from_this()](const boost::system::error_code& error, size_t bytes) {
                                self->onBodyBytes(error, bytes);
                            });
}

void AlarmConnection::onBodyBytes(const boost::system::error_code& error, size_t bytes)
{
    if (closed_)
        return;
    if (error)
        return cutShort(error == asio::error::eof ? "close" : error.message().c_str());
    bodyHave_ += bytes;
    body_.resize(bodyHave_);
    readBody();
}

void AlarmConnection::onFrame()
{
    if (proven_) { // the frame is in: its deadline is over
        ++deadlineGeneration_;
        deadline_.cancel();
    }
    switch (header_.kind) {
    case Kind::AlarmHello:
        if (proven_)
            return refuse(WireError::BadFrame, "a second hello");
        return onHello();
    case Kind::Alarm: return onAlarm();
    case Kind::Heartbeat: send(Kind::HeartbeatAck, header_.sequence, {}); return readHeader();
    default:
        return refuse(WireError::BadFrame, "unexpected frame kind " + std::to_string(static_cast<int>(header_.kind)));
    }
}

void AlarmConnection::onHello()
{
    wire::AlarmHello hello;
    std::string why;
    if (!wire::decodeAlarmHello(body_, hello, why))
        return refuse(WireError::BadFrame, why);
    const std::string claimed = hello.address + ":" + std::to_string(hello.port);
    std::string password;
    if (!listener_.sdk().passwordFor(hello.address, hello.port, hello.user, password))
        return refuse(WireError::BadCredentials,
                      claimed + " user " + hello.user + " is no device the client has logged into");
    if (!wire::proofMatches(wire::alarmProof(password, nonce_, hello.signedFields()), hello.proof))
        return refuse(WireError::BadCredentials, claimed + " did not prove the password of user " + hello.user);
    proven_ = true;
    ++deadlineGeneration_;
    deadline_.cancel();
    hello_ = std::move(hello);
    device_ = claimed;
    sdkLog().info("alarm connection from {}: device {} proved itself", peer_, device_);
    listener_.authenticated(shared_from_this());
    send(Kind::AlarmAccepted, header_.sequence,
         wire::encodeAlarmAccepted(listener_.lastDelivered(device_, hello_.runId)));
    readHeader();
}

void AlarmConnection::onAlarm()
{
    Listener::Queued item;
    item.peer = peer_;
    item.device = device_;
    item.runId = hello_.runId;
    item.number = header_.sequence;
    item.from = shared_from_this();
    item.reserved = std::exchange(reserved_, 0);
    std::string why;
    if (!wire::decodeAlarm(std::move(body_), item.alarm, why)) {
        item.deliver = false;
    } else if (hello_.address != item.alarm.alarmer.sDeviceIP || hello_.port != item.alarm.alarmer.wLinkPort) {
        item.deliver = false;
        why = std::string("it names device ") + item.alarm.alarmer.sDeviceIP + ":" +
              std::to_string(item.alarm.alarmer.wLinkPort);
    }
    body_ = {};
    if (!item.deliver) {
        // Refused alarms are acknowledged in their turn (sending them again would not
        // mend them); their bytes go back at once.
        sdkLog().warn("alarm {} from device {} ({}) dropped: {}", item.number, device_, peer_, why);
        item.alarm = {};
        listener_.releaseBytes(std::exchange(item.reserved, 0));
    }
    listener_.enqueue(std::move(item));
    readHeader();
}

void AlarmConnection::refuse(WireError code, const std::string& why)
{
    const std::string line = "alarm connection from " + peer_ + (device_.empty() ? "" : " (device " + device_ + ")") +
                             ": " + why + "; refused";
    if (proven_)
        sdkLog().warn("{}", line);
    else
        listener_.refused("refused before a device proved itself", line);
    send(Kind::Error, header_.sequence, wire::errorBody(code, why.c_str()));
    closeAfterWrite_ = true;
    armDeadline(); // a peer that does not take the answer is cut at its deadline
}

// ---- writing ------------------------------------------------------------------

void AlarmConnection::send(Kind kind, uint32_t sequence, std::vector<uint8_t> body)
{
    outbox_.push_back(wire::encodeFrame(kind, sequence, body));
    if (!writing_)
        writeNext();
}

void AlarmConnection::writeNext()
{
    if (closed_)
        return;
    if (outbox_.empty()) {
        writing_ = false;
        if (closeAfterWrite_)
            close("");
        return;
    }
    writing_ = true;
    asio::async_write(socket_, asio::buffer(outbox_.front()),
                      [self = shared_from_this()](const boost::system::error_code& error, size_t) {
                          if (self->closed_)
                              return;
                          if (error)
                              return self->close("write failed: " + error.message());
                          self->outbox_.pop_front();
                          self->onAnswerSent();
                          self->writeNext();
                      });
}

void AlarmConnection::onAnswerSent()
{
    if (waiting_ != Waiting::Outbox)
        return;
    if (outbox_.size() > kOutboxFrames / 2) {
        armDeadline(); // it reads: the deadline counts from its latest answer taken
        return;
    }
    waiting_ = Waiting::Nothing;
    ++deadlineGeneration_;
    deadline_.cancel();
    readHeader();
}

// ---- deadlines ------------------------------------------------------------------

void AlarmConnection::armDeadline()
{
    const uint64_t generation = ++deadlineGeneration_;
    deadline_.expires_after(std::chrono::milliseconds(listener_.limits().frameTimeoutMs));
    deadline_.async_wait([self = shared_from_this(), generation](const boost::system::error_code& error) {
        if (error || self->closed_ || generation != self->deadlineGeneration_)
            return;
        self->cutShort("its deadline");
    });
}

void AlarmConnection::cutShort(const char* how)
{
    if (closeAfterWrite_)
        return close("");
    if (waiting_ == Waiting::Outbox)
        return close("it took none of its " + std::to_string(outbox_.size()) + " answers before " + how);
    if (!proven_) {
        return close(std::string("no device proved itself before ") + how + " (" + progress() + ")");
    }
    close(std::string("frame cut by ") + how + " " + progress());
}

std::string AlarmConnection::progress() const
{
    if (headerHave_ < wire::kHeaderSize)
        return "after " + std::to_string(headerHave_) + " of " + std::to_string(wire::kHeaderSize) + " header bytes";
    return "after " + std::to_string(bodyHave_) + " of " + std::to_string(header_.length) + " body bytes";
}

} // namespace tessoran
