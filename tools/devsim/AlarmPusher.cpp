#include "AlarmPusher.h"

#include "AlarmHello.h"
#include "FrameIo.h"

#include <chrono>

namespace devsim {

using namespace std::chrono;
using tessoran::wire::Frame;
using tessoran::wire::IoStatus;
using tessoran::wire::Kind;
using tessoran::wire::ReadStatus;

namespace {
constexpr int kReplyWaitMs = 10000;
constexpr int kWriteWaitMs = 10000;
constexpr int kRetryMs = 300;
constexpr int kRefusedRetryMs = 1000;

uint64_t randomRunId()
{
    auto bytes = tessoran::wire::randomArray<std::array<uint8_t, 8>>();
    uint64_t id = 0;
    for (uint8_t b : bytes)
        id = id << 8 | b;
    return id;
}
} // namespace

AlarmPusher::AlarmPusher(const DeviceSpec& spec, AlarmFactory& factory, std::mutex& factoryMutex,
                         const std::atomic<bool>& paused, std::function<std::string()> password)
    : spec_(spec), factory_(factory), factoryMutex_(factoryMutex), paused_(paused), password_(std::move(password)),
      runId_(randomRunId()), perSecond_(spec.alarmsPerSecond)
{
}

AlarmPusher::~AlarmPusher()
{
    stop();
}

void AlarmPusher::start()
{
    thread_ = std::thread([this] { run(); });
}

void AlarmPusher::stop()
{
    stopping_ = true;
    stopWaker_.signal();
    if (thread_.joinable())
        thread_.join();
}

void AlarmPusher::cut()
{
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        socket_.shutdown();
    }
    waker_.signal();
}

void AlarmPusher::closeSocket()
{
    std::lock_guard<std::mutex> lock(socketMutex_);
    socket_.close();
}

void AlarmPusher::fire(AlarmKind kind, int count)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Outgoing item;
        item.kind = kind;
        item.count = count;
        outgoing_.push_back(std::move(item));
    }
    waker_.signal();
}

void AlarmPusher::setRate(double perSecond)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        perSecond_ = perSecond;
    }
    waker_.signal();
}

void AlarmPusher::sendRaw(std::vector<uint8_t> frame, bool closeAfter)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Outgoing item;
        item.rawFrame = std::move(frame);
        item.closeAfter = closeAfter;
        outgoing_.push_back(std::move(item));
    }
    waker_.signal();
}

void AlarmPusher::setSentHook(SentHook hook)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

size_t AlarmPusher::unacknowledged() const
{
    std::lock_guard<std::mutex> lock(keptMutex_);
    return kept_.size();
}

namespace {
// A device connects from its own address, as real ones do, where it can: on
// loopback, where the simulated addresses live.
std::string sourceAddressFor(const DeviceSpec& spec)
{
    return spec.alarmHost.rfind("127.", 0) == 0 ? spec.address : std::string();
}
} // namespace

bool AlarmPusher::connectAndProve()
{
    IoStatus status;
    tessoran::wire::Socket socket = tessoran::wire::Socket::connectTo(
        spec_.alarmHost, spec_.alarmPort, 1000, {stopWaker_.fd()}, status, sourceAddressFor(spec_));
    if (!socket.valid())
        return false;
    {
        std::lock_guard<std::mutex> lock(socketMutex_);
        socket_ = std::move(socket);
    }
    Frame challenge;
    std::string why;
    if (tessoran::wire::readFrame(socket_, kReplyWaitMs, kReplyWaitMs, {stopWaker_.fd()}, challenge, why) !=
            ReadStatus::Ok ||
        challenge.header.kind != Kind::AlarmChallenge || challenge.body.size() != sizeof(tessoran::wire::Nonce)) {
        closeSocket();
        return false;
    }
    tessoran::wire::Nonce nonce;
    std::copy(challenge.body.begin(), challenge.body.end(), nonce.begin());
    tessoran::wire::AlarmHello hello;
    hello.address = spec_.address;
    hello.port = spec_.port;
    hello.user = spec_.user;
    hello.runId = runId_;
    hello.sign(password_(), nonce);
    Frame answer;
    uint32_t delivered = 0;
    if (!sendFrame(tessoran::wire::encodeFrame(Kind::AlarmHello, 1, hello.encode())) ||
        tessoran::wire::readFrame(socket_, kReplyWaitMs, kReplyWaitMs, {stopWaker_.fd()}, answer, why) !=
            ReadStatus::Ok ||
        answer.header.kind != Kind::AlarmAccepted || !tessoran::wire::decodeAlarmAccepted(answer.body, delivered)) {
        closeSocket(); // refused: not logged into, or a wrong password
        tessoran::wire::sleepUnlessWoken(kRefusedRetryMs, {stopWaker_.fd()});
        return false;
    }
    forgetUpTo(delivered);
    std::lock_guard<std::mutex> lock(keptMutex_);
    resendFrom_ = 0;
    return true;
}

void AlarmPusher::forgetUpTo(uint32_t number)
{
    std::lock_guard<std::mutex> lock(keptMutex_);
    while (!kept_.empty() && kept_.front().number <= number) {
        kept_.pop_front();
        if (resendFrom_ > 0)
            --resendFrom_;
    }
}

// Takes acknowledgements (and heartbeat answers) for up to waitMs; false when the
// connection ended or the listener refused something.
bool AlarmPusher::readReplies(int waitMs)
{
    for (;;) {
        Frame reply;
        std::string why;
        ReadStatus status = tessoran::wire::readFrame(socket_, waitMs, kReplyWaitMs, wakeFds(), reply, why);
        if (status == ReadStatus::Timeout)
            return true;
        if (status == ReadStatus::Woken) {
            waker_.clear();
            return true;
        }
        if (status != ReadStatus::Ok || reply.header.kind == Kind::Error)
            return false;
        if (reply.header.kind == Kind::AlarmAck)
            forgetUpTo(reply.header.sequence);
        waitMs = 0;
    }
}

bool AlarmPusher::sendFrame(const std::vector<uint8_t>& frame)
{
    return socket_.writeAll(frame.data(), frame.size(), kWriteWaitMs, {stopWaker_.fd()}) == IoStatus::Ok;
}

// The next request, or a timed alarm when one is due; otherwise how long to wait.
bool AlarmPusher::takeOutgoing(Outgoing& out, steady_clock::time_point& nextRated, int& waitMs)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!outgoing_.empty()) {
        Outgoing& front = outgoing_.front();
        if (!front.rawFrame.empty() || front.count <= 1) {
            out = std::move(front);
            outgoing_.pop_front();
        } else {
            out = Outgoing{front.kind, 1, {}, false};
            --front.count;
        }
        return true;
    }
    auto now = steady_clock::now();
    if (perSecond_ > 0 && now >= nextRated) {
        out = Outgoing{static_cast<AlarmKind>(rateKind_++ % 3), 1, {}, false};
        nextRated = std::max(now, nextRated + microseconds(static_cast<int64_t>(1e6 / perSecond_)));
        return true;
    }
    waitMs = perSecond_ > 0 ? static_cast<int>(duration_cast<milliseconds>(nextRated - now).count()) + 1 : 1000;
    waitMs = std::min(waitMs, 1000);
    return false;
}

void AlarmPusher::run()
{
    auto nextRated = steady_clock::now();
    while (!stopping_) {
        if (paused_ || spec_.alarmHost.empty()) {
            closeSocket();
            if (tessoran::wire::sleepUnlessWoken(500, wakeFds()) == IoStatus::Woken)
                waker_.clear();
            continue;
        }
        if (!socket_.valid() && !connectAndProve()) {
            tessoran::wire::sleepUnlessWoken(kRetryMs, {stopWaker_.fd()});
            continue;
        }
        if (!readReplies(0)) {
            closeSocket();
            continue;
        }
        // What the last connection left unacknowledged goes first, in order.
        std::vector<uint8_t> next;
        {
            std::lock_guard<std::mutex> lock(keptMutex_);
            if (resendFrom_ < kept_.size()) {
                Kept& kept = kept_[resendFrom_++];
                if (kept.sent)
                    ++resent_;
                kept.sent = true;
                next = kept.frame;
            }
        }
        if (!next.empty()) {
            if (!sendFrame(next))
                closeSocket();
            continue;
        }
        if (unacknowledged() >= kMaxUnacknowledged) {
            if (!readReplies(500))
                closeSocket();
            continue;
        }
        Outgoing item;
        int waitMs = 0;
        if (!takeOutgoing(item, nextRated, waitMs)) {
            if (!readReplies(waitMs))
                closeSocket();
            continue;
        }
        if (!item.rawFrame.empty()) {
            if (!sendFrame(item.rawFrame) || item.closeAfter)
                closeSocket();
            continue;
        }
        std::vector<uint8_t> body;
        {
            std::lock_guard<std::mutex> lock(factoryMutex_);
            body = factory_.make(item.kind, QDateTime::currentDateTime());
        }
        const uint32_t number = nextNumber_++;
        SentHook hook;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            hook = hook_;
        }
        if (hook)
            hook(body);
        ++made_;
        {
            std::lock_guard<std::mutex> lock(keptMutex_);
            kept_.push_back({number, tessoran::wire::encodeFrame(Kind::Alarm, number, body), false});
        }
        // Sent on the next turn, by the same path as the alarms kept from before.
    }
    closeSocket();
}

} // namespace devsim
