#include "RealPlay.h"

#include "ByteIo.h"
#include "Log.h"
#include "LoginSession.h"
#include "Sdk.h"
#include "ThreadUtil.h"
#include "WindowPlayer.h"
#include "WireRecords.h"

namespace tessoran {

using wire::IoStatus;
using wire::Kind;
using wire::ReadStatus;

RealPlay::RealPlay(Sdk& sdk, int32_t handle, std::shared_ptr<LoginSession> login, const TSR_PREVIEWINFO& preview,
                   TSR_REALDATACALLBACK callback, void* user, std::unique_ptr<WindowPlayer> player)
    : sdk_(sdk), handle_(handle), login_(std::move(login)), preview_(preview), callback_(callback), user_(user),
      player_(std::move(player))
{
}

RealPlay::~RealPlay() = default;

std::vector<int> RealPlay::wakeFds() const
{
    return {wakeWaker_.fd(), sdk_.stopFd()};
}

uint32_t RealPlay::open()
{
    std::vector<uint8_t> header;
    uint32_t error = connectStream(socket_, header);
    if (error != TSR_ERR_NONE)
        return error;
    header_ = std::move(header);
    // A window that cannot be drawn into fails the start: no success without video.
    if (player_) {
        playerOpen_ = player_->openStream(header_.data(), static_cast<uint32_t>(header_.size()));
        if (!playerOpen_)
            return TSR_ERR_NO_PLAYER;
    }
    return TSR_ERR_NONE;
}

uint32_t RealPlay::connectStream(wire::Socket& socket, std::vector<uint8_t>& header)
{
    wire::ByteWriter request;
    request.u32(static_cast<uint32_t>(preview_.lChannel));
    request.u32(preview_.dwStreamType);
    if (uint32_t error =
            login_->openConnection(Kind::PlayOpen, request.bytes(), Kind::PlayHeader, wakeFds(), socket, header))
        return error;
    wire::StreamInfo info;
    return wire::parseStreamHeader(header.data(), header.size(), info) ? TSR_ERR_NONE : TSR_ERR_PROTOCOL;
}

void RealPlay::start()
{
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (!stopping_)
        thread_ = std::thread([self = shared_from_this()] { self->run(); });
}

void RealPlay::setCallback(TSR_REALDATACALLBACK callback, void* user)
{
    {
        std::lock_guard<std::mutex> lock(callbackMutex_);
        callback_ = callback;
        user_ = user;
        headerDue_ = true;
    }
    wakeWaker_.signal(); // the receive thread delivers the header now, not at the next block
}

void RealPlay::stop()
{
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex_);
        stopping_ = true;
    }
    wakeWaker_.signal();
    joinOrRelease(thread_);
}

void RealPlay::run()
{
    while (!stopping_ && !sdk_.stopping()) {
        if (socket_.valid())
            receive();
        else
            reopenLater();
    }
    socket_.close();
}

void RealPlay::receive()
{
    // A device sends video continuously; this long a silence means it is gone.
    const int silenceMs = std::max<int>(NetworkTimes::replyMs, 3 * NetworkTimes::heartbeatMs);
    deliver(TSR_DATA_STREAM_HEADER, header_);
    while (!stopping_) {
        wire::Frame frame;
        std::string why;
        ReadStatus status = wire::readFrame(socket_, silenceMs, NetworkTimes::replyMs, wakeFds(), frame, why);
        if (status == ReadStatus::Woken) {
            wakeWaker_.clear();
            if (stopping_ || sdk_.stopping())
                return;
            deliver(TSR_DATA_STREAM_HEADER, header_);
            continue;
        }
        if (status == ReadStatus::Ok && frame.header.kind == Kind::PlayData) {
            deliver(TSR_DATA_STREAM, frame.body);
            continue;
        }
        sdkLog().warn("real play {}: stream ended ({}); opening it again when the device is back", handle_,
                      status == ReadStatus::Malformed ? why : "connection lost or silent");
        socket_.close();
        return;
    }
}

void RealPlay::reopenLater()
{
    if (wire::sleepUnlessWoken(NetworkTimes::heartbeatMs, wakeFds()) == IoStatus::Woken) {
        wakeWaker_.clear();
        return;
    }
    std::vector<uint8_t> header;
    wire::Socket socket;
    if (connectStream(socket, header) != TSR_ERR_NONE)
        return;
    socket_ = std::move(socket);
    header_ = std::move(header);
    std::lock_guard<std::mutex> lock(callbackMutex_);
    headerDue_ = true;
}

void RealPlay::feedPlayer(uint32_t type, const std::vector<uint8_t>& block)
{
    if (!player_)
        return;
    if (type == TSR_DATA_STREAM_HEADER)
        return; // the format does not change on a reopen
    if (playerOpen_ && !player_->input(block.data(), static_cast<uint32_t>(block.size())))
        sdkLog().debug("real play {}: player refused a block", handle_);
}

// Runs the callback without holding the lock; the header goes first to every
// callback, and again after the stream was opened anew.
void RealPlay::deliver(uint32_t type, const std::vector<uint8_t>& block)
{
    feedPlayer(type, block);
    TSR_REALDATACALLBACK callback;
    void* user;
    bool headerFirst;
    {
        std::lock_guard<std::mutex> lock(callbackMutex_);
        callback = callback_;
        user = user_;
        if (type == TSR_DATA_STREAM_HEADER && !headerDue_)
            return;
        headerFirst = headerDue_ && callback;
        if (callback)
            headerDue_ = false;
    }
    if (!callback || stopping_)
        return;
    if (headerFirst && type != TSR_DATA_STREAM_HEADER)
        callback(handle_, TSR_DATA_STREAM_HEADER, header_.data(), static_cast<uint32_t>(header_.size()), user);
    if (stopping_)
        return;
    callback(handle_, type, block.data(), static_cast<uint32_t>(block.size()), user);
}

} // namespace tessoran
