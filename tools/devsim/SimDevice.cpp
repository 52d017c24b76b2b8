#include "SimDevice.h"

#include "ByteIo.h"
#include "PictureBank.h"
#include "VideoClip.h"
#include "WireRecords.h"

#include <QDebug>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace devsim {

using namespace std::chrono;
using tessoran::wire::ByteReader;
using tessoran::wire::ByteWriter;
using tessoran::wire::Frame;
using tessoran::wire::IoStatus;
using tessoran::wire::Kind;
using tessoran::wire::ReadStatus;
using tessoran::wire::WireError;

namespace {

constexpr int kReplyWaitMs = 10000;
constexpr int kWriteWaitMs = 10000;
constexpr size_t kDownloadChunk = 64 * 1024;

template <size_t N>
void copyText(char (&field)[N], const std::string& text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

QDateTime toDateTime(const TSR_TIME& t)
{
    QDate date(static_cast<int>(t.dwYear), static_cast<int>(t.dwMonth), static_cast<int>(t.dwDay));
    QTime time(static_cast<int>(t.dwHour), static_cast<int>(t.dwMinute), static_cast<int>(t.dwSecond));
    return QDateTime(date, time, Qt::LocalTime);
}

} // namespace

SimDevice::SimDevice(DeviceSpec spec, const VideoClip& clip, const PictureBank& pictures, QDateTime recordingSince)
    : spec_(std::move(spec)), clip_(clip), recordingSince_(std::move(recordingSince)), factory_(spec_, pictures),
      pusher_(spec_, factory_, factoryMutex_, dropped_, [this] { return provenPassword(); }),
      attacks_(spec_.alarmHost, spec_.alarmPort)
{
}

SimDevice::~SimDevice()
{
    stop();
}

bool SimDevice::start(std::string& error)
{
    server_ = tessoran::wire::Socket::listenOn(spec_.address, spec_.port, error);
    if (!server_.valid()) {
        error = spec_.address + ":" + std::to_string(spec_.port) + ": " + error;
        return false;
    }
    listening_ = true;
    acceptThread_ = std::thread([this] { acceptLoop(); });
    pusher_.start();
    return true;
}

void SimDevice::stop()
{
    if (stopping_.exchange(true))
        return;
    stopWaker_.signal();
    if (acceptThread_.joinable())
        acceptThread_.join();
    pusher_.stop();
    attacks_.stop();
    cutConnections();
    connections_.joinAll();
}

// ---- control ------------------------------------------------------------------

void SimDevice::fireAlarms(AlarmKind kind, int count)
{
    pusher_.fire(kind, count);
}

void SimDevice::setAlarmRate(double perSecond)
{
    pusher_.setRate(perSecond);
}

void SimDevice::sendMalformed(Malformed kind)
{
    bool closeAfter = false;
    std::vector<uint8_t> frame = malformedFrame(kind, closeAfter);
    pusher_.sendRaw(std::move(frame), closeAfter);
}

void SimDevice::sendForged(const std::string& otherAddress)
{
    std::vector<uint8_t> body;
    {
        std::lock_guard<std::mutex> lock(factoryMutex_);
        body = factory_.make(AlarmKind::Incident, QDateTime::currentDateTime(),
                             [&](TSR_ALARMER& alarmer, void*) { copyText(alarmer.sDeviceIP, otherAddress); });
    }
    pusher_.sendRaw(tessoran::wire::encodeFrame(Kind::Alarm, 0, body), false);
}

void SimDevice::sendNumbered(uint32_t number, AlarmKind kind)
{
    pusher_.sendRaw(tessoran::wire::encodeFrame(Kind::Alarm, number, makeAlarm(kind)), false);
}

std::vector<uint8_t> SimDevice::makeAlarm(AlarmKind kind)
{
    std::lock_guard<std::mutex> lock(factoryMutex_);
    return factory_.make(kind, QDateTime::currentDateTime());
}

std::string SimDevice::provenPassword() const
{
    return impostor_ ? "not " + spec_.password : spec_.password;
}

void SimDevice::drop()
{
    dropped_ = true;
    stateWaker_.signal();
    pusher_.cut();
    awaitListening(false);
    // After the port is closed, so no connection accepted meanwhile survives.
    cutConnections();
}

void SimDevice::restore()
{
    dropped_ = false;
    stateWaker_.signal();
    pusher_.wake();
    awaitListening(true);
}

void SimDevice::awaitListening(bool listening)
{
    std::unique_lock<std::mutex> lock(listeningMutex_);
    listeningChanged_.wait_for(lock, seconds(10), [&] { return listening_ == listening || stopping_; });
}

void SimDevice::setAlarmSentHook(std::function<void(const std::vector<uint8_t>&)> hook)
{
    pusher_.setSentHook(std::move(hook));
}

void SimDevice::cutConnections()
{
    connections_.shutdownAll();
    std::lock_guard<std::mutex> lock(tokensMutex_);
    tokens_.clear();
}

// ---- serving --------------------------------------------------------------------

void SimDevice::acceptLoop()
{
    const std::vector<int> wakeFds{stopWaker_.fd(), stateWaker_.fd()};
    while (!stopping_) {
        connections_.reap();
        applyDropped();
        IoStatus status =
            server_.valid() ? server_.waitReadable(1000, wakeFds) : tessoran::wire::sleepUnlessWoken(200, wakeFds);
        if (status == IoStatus::Woken) {
            stateWaker_.clear();
            continue;
        }
        if (status != IoStatus::Ok || !server_.valid())
            continue;
        tessoran::wire::Socket socket = server_.accept();
        if (socket.valid() && !dropped_)
            connections_.start(std::move(socket), [this](Connection& connection) { serve(connection); });
    }
    server_.close();
    setListening(false);
}

// Only this thread opens and closes the port; drop() and restore() wait for it.
void SimDevice::applyDropped()
{
    if (dropped_) {
        server_.close();
    } else if (!server_.valid()) {
        std::string error;
        server_ = tessoran::wire::Socket::listenOn(spec_.address, spec_.port, error);
    }
    setListening(server_.valid());
}

void SimDevice::setListening(bool listening)
{
    {
        std::lock_guard<std::mutex> lock(listeningMutex_);
        listening_ = listening;
    }
    listeningChanged_.notify_all();
}

bool SimDevice::reply(Connection& connection, Kind kind, uint32_t sequence, const std::vector<uint8_t>& body)
{
    return tessoran::wire::writeFrame(connection.socket, kind, sequence, body, kWriteWaitMs, stopFds()) == IoStatus::Ok;
}

bool SimDevice::replyError(Connection& connection, WireError code, const char* text, uint32_t sequence)
{
    return reply(connection, Kind::Error, sequence, tessoran::wire::errorBody(code, text));
}

void SimDevice::drainUntilClosed(Connection& connection)
{
    while (!stopping_) {
        Frame frame;
        std::string why;
        if (tessoran::wire::readFrame(connection.socket, -1, kReplyWaitMs, stopFds(), frame, why) != ReadStatus::Ok)
            return;
    }
}

void SimDevice::serve(Connection& connection)
{
    Frame frame;
    std::string why;
    ReadStatus status = tessoran::wire::readFrame(connection.socket, kReplyWaitMs, kReplyWaitMs, stopFds(), frame, why);
    if (status == ReadStatus::Malformed) {
        replyError(connection, WireError::BadFrame, why.c_str());
        return;
    }
    if (status != ReadStatus::Ok)
        return;
    if (stalled_)
        return drainUntilClosed(connection);
    switch (frame.header.kind) {
    case Kind::LoginHello: return serveLogin(connection, frame);
    case Kind::PlayOpen: return servePlay(connection, frame);
    case Kind::DownloadOpen: return serveDownload(connection, frame);
    default: replyError(connection, WireError::BadFrame, "a connection starts with a login, play or download");
    }
}

void SimDevice::serveLogin(Connection& connection, const Frame& hello)
{
    ByteReader in(hello.body.data(), hello.body.size());
    std::string user = in.text();
    tessoran::wire::Nonce clientNonce;
    in.raw(clientNonce.data(), clientNonce.size());
    if (!in.atEnd()) {
        replyError(connection, WireError::BadFrame, "bad login hello");
        return;
    }
    if (refuseLogins_) {
        replyError(connection, WireError::LoginRefused, "logins are refused");
        return;
    }
    if (user != spec_.user) {
        replyError(connection, WireError::BadCredentials, "user name or password wrong");
        return;
    }
    const std::string password = provenPassword();
    auto nonce = tessoran::wire::randomArray<tessoran::wire::Nonce>();
    tessoran::wire::Proof deviceProof = tessoran::wire::deviceLoginProof(password, clientNonce, nonce, user);
    std::vector<uint8_t> challenge(nonce.begin(), nonce.end());
    challenge.insert(challenge.end(), deviceProof.begin(), deviceProof.end());
    if (!reply(connection, Kind::LoginChallenge, hello.header.sequence, challenge))
        return;
    Frame proofFrame;
    std::string why;
    if (tessoran::wire::readFrame(connection.socket, kReplyWaitMs, kReplyWaitMs, stopFds(), proofFrame, why) !=
        ReadStatus::Ok)
        return;
    tessoran::wire::Proof proof{};
    if (proofFrame.header.kind != Kind::LoginProof || proofFrame.body.size() != proof.size()) {
        replyError(connection, WireError::BadFrame, "expected the login proof");
        return;
    }
    std::copy(proofFrame.body.begin(), proofFrame.body.end(), proof.begin());
    // An impostor cannot check the client's proof, so it takes any.
    if (!impostor_ &&
        !tessoran::wire::proofMatches(tessoran::wire::clientLoginProof(password, nonce, clientNonce, user), proof)) {
        replyError(connection, WireError::BadCredentials, "user name or password wrong");
        return;
    }
    tessoran::wire::Token token;
    tessoran::wire::randomBytes(token.data(), token.size());
    {
        std::lock_guard<std::mutex> lock(tokensMutex_);
        tokens_.insert(token);
    }
    if (!reply(connection, Kind::LoginAccepted, proofFrame.header.sequence,
               tessoran::wire::encodeLoginAccepted(token, deviceInfo())))
        return;

    while (!stopping_) {
        Frame frame;
        ReadStatus status = tessoran::wire::readFrame(connection.socket, -1, kReplyWaitMs, stopFds(), frame, why);
        if (status == ReadStatus::Malformed) {
            replyError(connection, WireError::BadFrame, why.c_str());
            break;
        }
        if (status != ReadStatus::Ok)
            break;
        if (stalled_)
            continue;
        uint32_t seq = frame.header.sequence;
        if (frame.header.kind == Kind::Heartbeat) {
            if (!reply(connection, Kind::HeartbeatAck, seq, {}))
                break;
        } else if (frame.header.kind == Kind::ConfigQuery) {
            ByteReader query(frame.body.data(), frame.body.size());
            uint32_t command = query.u32();
            query.u32(); // channel
            if (!query.atEnd()) {
                replyError(connection, WireError::BadFrame, "bad configuration query", seq);
                break;
            }
            if (command != TSR_GET_IPPARACFG) {
                replyError(connection, WireError::Unsupported, "unknown configuration command", seq);
                continue;
            }
            if (!reply(connection, Kind::ConfigReply, seq,
                       tessoran::wire::encodeConfigReply(command, ipChannelConfig())))
                break;
        } else if (frame.header.kind == Kind::Logout) {
            break;
        } else {
            replyError(connection, WireError::BadFrame, "unexpected frame on a login connection", seq);
            break;
        }
    }
    std::lock_guard<std::mutex> lock(tokensMutex_);
    tokens_.erase(token);
}

size_t SimDevice::openSessions() const
{
    std::lock_guard<std::mutex> lock(tokensMutex_);
    return tokens_.size();
}

bool SimDevice::checkToken(const uint8_t* data, size_t size)
{
    tessoran::wire::Token token;
    if (size < token.size())
        return false;
    std::memcpy(token.data(), data, token.size());
    std::lock_guard<std::mutex> lock(tokensMutex_);
    return tokens_.count(token) > 0;
}

// Channels count from 1; 0 asks for the first.
bool SimDevice::hasChannel(uint32_t channel) const
{
    size_t channels = std::max<size_t>(1, spec_.cameras.size());
    return channel <= channels;
}

void SimDevice::servePlay(Connection& connection, const Frame& open)
{
    ByteReader in(open.body.data(), open.body.size());
    tessoran::wire::Token token;
    in.raw(token.data(), token.size());
    uint32_t channel = in.u32();
    in.u32(); // stream type: one stream serves both
    if (!in.atEnd())
        return (void)replyError(connection, WireError::BadFrame, "bad play request");
    if (!checkToken(token.data(), token.size()))
        return (void)replyError(connection, WireError::NotLoggedIn, "not logged in");
    if (!hasChannel(channel))
        return (void)replyError(connection, WireError::NoChannel, "no such channel");
    tessoran::wire::StreamInfo info{clip_.width(), clip_.height(), clip_.framesPerSecond()};
    if (!reply(connection, Kind::PlayHeader, open.header.sequence, tessoran::wire::makeStreamHeader(info)))
        return;

    ++liveStreams_;
    struct StreamEnd
    {
        std::atomic<int>& count;
        ~StreamEnd() { --count; }
    } streamEnd{liveStreams_};
    // Each one-second piece goes out a picture at a time, evenly over its
    // second, as a camera sends what it captures.
    int64_t second = QDateTime::currentSecsSinceEpoch();
    auto next = steady_clock::now();
    while (!stopping_) {
        const std::vector<uint8_t> piece = clip_.timedPieceAt(second);
        const std::vector<size_t>& starts = clip_.pictureStartsAt(second++);
        const auto interval = microseconds(1000000 / static_cast<int64_t>(starts.size()));
        for (size_t i = 0; i < starts.size() && !stopping_; ++i) {
            const size_t end = i + 1 < starts.size() ? starts[i + 1] : piece.size();
            if (!stalled_) {
                std::vector<uint8_t> block(piece.begin() + static_cast<long>(starts[i]),
                                           piece.begin() + static_cast<long>(end));
                if (!reply(connection, Kind::PlayData, 0, block))
                    return;
            }
            next += interval;
            int wait =
                static_cast<int>(std::max<int64_t>(0, duration_cast<milliseconds>(next - steady_clock::now()).count()));
            if (tessoran::wire::sleepUnlessWoken(wait, stopFds()) == IoStatus::Woken)
                return;
            if (connection.socket.waitReadable(0, {}) == IoStatus::Ok) {
                // The client only ever closes a play connection; anything readable is its end.
                Frame ignored;
                std::string why;
                if (tessoran::wire::readFrame(connection.socket, 0, 1000, {}, ignored, why) != ReadStatus::Ok)
                    return;
            }
        }
    }
}

void SimDevice::serveDownload(Connection& connection, const Frame& open)
{
    ByteReader in(open.body.data(), open.body.size());
    tessoran::wire::Token token;
    in.raw(token.data(), token.size());
    uint32_t channel = in.u32();
    std::vector<uint8_t> times(in.remaining());
    in.raw(times.data(), times.size());
    TSR_TIME startTime{}, stopTime{};
    std::string why;
    size_t half = tessoran::wire::wireSize<TSR_TIME>();
    if (times.size() != 2 * half || !tessoran::wire::decodeRecord(times.data(), half, startTime, why) ||
        !tessoran::wire::decodeRecord(times.data() + half, half, stopTime, why))
        return (void)replyError(connection, WireError::BadFrame, "bad download request");
    if (!checkToken(token.data(), token.size()))
        return (void)replyError(connection, WireError::NotLoggedIn, "not logged in");
    if (!hasChannel(channel))
        return (void)replyError(connection, WireError::NoChannel, "no such channel");

    QDateTime start = toDateTime(startTime), end = toDateTime(stopTime);
    QDateTime now = QDateTime::currentDateTime();
    if (!start.isValid() || !end.isValid())
        return (void)replyError(connection, WireError::BadFrame, "invalid time");
    if (end > now)
        end = now;
    if (start < recordingSince_)
        start = recordingSince_;
    if (end <= start)
        return (void)replyError(connection, WireError::NoVideo, "no recording in the range");

    std::vector<std::vector<uint8_t>> pieces;
    uint64_t total = 0;
    for (int64_t s = start.toSecsSinceEpoch(); s < end.toSecsSinceEpoch(); ++s) {
        pieces.push_back(clip_.timedPieceAt(s));
        total += pieces.back().size();
    }
    ByteWriter size;
    size.u64(total);
    if (!reply(connection, Kind::DownloadInfo, open.header.sequence, size.bytes()))
        return;
    Frame go;
    if (tessoran::wire::readFrame(connection.socket, 60000, kReplyWaitMs, stopFds(), go, why) != ReadStatus::Ok ||
        go.header.kind != Kind::DownloadStart)
        return;

    std::vector<uint8_t> chunk;
    auto flush = [&]() {
        if (chunk.empty())
            return true;
        if (!reply(connection, Kind::DownloadData, 0, chunk))
            return false;
        if (size_t rate = downloadRate_) {
            int wait = static_cast<int>(chunk.size() * 1000 / rate);
            if (tessoran::wire::sleepUnlessWoken(wait, stopFds()) == IoStatus::Woken)
                return false;
        }
        chunk.clear();
        return !stopping_;
    };
    for (const auto& piece : pieces) {
        for (size_t at = 0; at < piece.size();) {
            size_t n = std::min(kDownloadChunk - chunk.size(), piece.size() - at);
            chunk.insert(chunk.end(), piece.begin() + static_cast<long>(at), piece.begin() + static_cast<long>(at + n));
            at += n;
            if (chunk.size() == kDownloadChunk && !flush())
                return;
        }
    }
    if (!flush())
        return;
    reply(connection, Kind::DownloadEnd, 0, {});
    drainUntilClosed(connection);
}

TSR_DEVICEINFO SimDevice::deviceInfo() const
{
    TSR_DEVICEINFO info{};
    copyText(info.sSerialNumber, spec_.serial);
    copyText(info.sDeviceName, spec_.name);
    info.dwSoftwareVersion = 0x01020003;
    info.wDevType = spec_.cameras.empty() ? 1 : 2;
    info.byChanNum = 1;
    info.byStartChan = 1;
    uint16_t enabled = 0;
    for (auto& camera : spec_.cameras)
        enabled += camera.enabled ? 1 : 0;
    info.wIPChanNum = enabled;
    return info;
}

TSR_IPPARACFG SimDevice::ipChannelConfig() const
{
    auto config = std::make_unique<TSR_IPPARACFG>();
    std::memset(config.get(), 0, sizeof *config);
    config->dwSize = sizeof(TSR_IPPARACFG);
    config->dwAnalogChanNum = 0;
    size_t count = std::min<size_t>(spec_.cameras.size(), TSR_MAX_IP_DEVICES);
    for (size_t i = 0; i < count; ++i) {
        const CameraSpec& camera = spec_.cameras[i];
        TSR_IPDEVINFO& entry = config->struIPDevInfo[i];
        entry.byEnable = camera.enabled ? 1 : 0;
        copyText(entry.sUserName, camera.user);
        copyText(entry.sPassword, camera.password);
        copyText(entry.sIpV4, camera.address);
        entry.wPort = camera.port;
        TSR_IPCHANINFO& channel = config->struIPChanInfo[i];
        channel.byEnable = entry.byEnable;
        channel.byIPID = static_cast<uint8_t>(i + 1);
        channel.byChannel = 1;
        config->dwIPChanNum += entry.byEnable;
    }
    return *config;
}

// ---- alarms --------------------------------------------------------------------

std::vector<uint8_t> SimDevice::malformedFrame(Malformed kind, bool& closeAfter)
{
    QDateTime now = QDateTime::currentDateTime();
    std::lock_guard<std::mutex> lock(factoryMutex_);
    auto alarmFrame = [&](AlarmKind alarm, AlarmFactory::Spoiler spoil = {}, tessoran::wire::AlarmFaults faults = {}) {
        return tessoran::wire::encodeFrame(Kind::Alarm, 0, factory_.make(alarm, now, spoil, faults));
    };
    closeAfter = false;
    switch (kind) {
    case Malformed::BadMagic: {
        auto frame = alarmFrame(AlarmKind::Incident);
        frame[0] ^= 0xFF;
        closeAfter = true;
        return frame;
    }
    case Malformed::BadVersion: {
        auto frame = alarmFrame(AlarmKind::Incident);
        frame[4] = 99;
        closeAfter = true;
        return frame;
    }
    case Malformed::LengthOverCap: {
        auto frame = tessoran::wire::encodeFrame(Kind::Alarm, 0, std::vector<uint8_t>(64, 0));
        uint32_t huge = tessoran::wire::kMaxBody + 1;
        std::memcpy(frame.data() + 12, &huge, 4);
        closeAfter = true;
        return frame;
    }
    case Malformed::Truncated: {
        auto frame = alarmFrame(AlarmKind::Violation);
        frame.resize(frame.size() / 2);
        closeAfter = true;
        return frame;
    }
    case Malformed::WrongRecordSize: return alarmFrame(AlarmKind::Incident, {}, {4, 0});
    case Malformed::LaneCountNine:
        return alarmFrame(AlarmKind::TrafficParams,
                          [](TSR_ALARMER&, void* record) { static_cast<TSR_TPS_ALARM*>(record)->nLaneNum = 9; });
    case Malformed::PictureLongerThanSent: return alarmFrame(AlarmKind::Violation, {}, {0, 100});
    case Malformed::UnterminatedText:
        return alarmFrame(AlarmKind::Violation, [](TSR_ALARMER&, void* record) {
            auto* r = static_cast<TSR_TFS_ALARM*>(record);
            std::memset(r->sLicense, 'A', sizeof r->sLicense);
        });
    case Malformed::NonIpv4Text:
        return alarmFrame(AlarmKind::Incident, [](TSR_ALARMER&, void* record) {
            copyText(static_cast<TSR_AID_ALARM*>(record)->struDevInfo.sIpV4, "camera.local");
        });
    }
    return {};
}

} // namespace devsim
