#include "Download.h"

#include "ByteIo.h"
#include "Log.h"
#include "LoginSession.h"
#include "Sdk.h"
#include "ThreadUtil.h"
#include "WireRecords.h"

namespace tessoran {

using wire::IoStatus;
using wire::Kind;
using wire::ReadStatus;

Download::Download(Sdk& sdk, int32_t handle, std::shared_ptr<LoginSession> login, std::string path,
                   const TSR_PLAYCOND& condition)
    : sdk_(sdk), handle_(handle), login_(std::move(login)), path_(std::move(path)), condition_(condition)
{
}

Download::~Download()
{
    if (file_)
        std::fclose(file_);
}

uint32_t Download::open()
{
    wire::ByteWriter request;
    request.u32(condition_.dwChannel);
    for (const TSR_TIME& time : {condition_.struStartTime, condition_.struStopTime}) {
        std::vector<uint8_t> part = wire::encodeRecord(time);
        request.raw(part.data(), part.size());
    }
    std::vector<uint8_t> reply;
    if (uint32_t error = login_->openConnection(Kind::DownloadOpen, request.bytes(), Kind::DownloadInfo,
                                                {stopWaker_.fd(), sdk_.stopFd()}, socket_, reply))
        return error;
    wire::ByteReader info(reply.data(), reply.size());
    total_ = info.u64();
    if (!info.atEnd() || total_ == 0)
        return TSR_ERR_PROTOCOL;

    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_)
        return TSR_ERR_FILE;
    return TSR_ERR_NONE;
}

uint32_t Download::start()
{
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (stopping_)
        return TSR_ERR_INVALID_HANDLE;
    if (started_.exchange(true))
        return TSR_ERR_ORDER;
    IoStatus status =
        wire::writeFrame(socket_, Kind::DownloadStart, 0, {}, NetworkTimes::replyMs, {stopWaker_.fd(), sdk_.stopFd()});
    if (status != IoStatus::Ok) {
        finish(kFailed, errorFromIo(status, false));
        return failure_;
    }
    thread_ = std::thread([self = shared_from_this()] { self->run(); });
    return TSR_ERR_NONE;
}

int32_t Download::position() const
{
    return position_;
}

void Download::stop()
{
    stopping_ = true;
    stopWaker_.signal(); // ends a start still writing, before its lock is awaited
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    joinOrRelease(thread_);
    socket_.close();
}

void Download::run()
{
    const int silenceMs = std::max<int>(NetworkTimes::replyMs, 3 * NetworkTimes::heartbeatMs);
    std::vector<int> wakeFds{stopWaker_.fd(), sdk_.stopFd()};
    while (!stopping_) {
        wire::Frame frame;
        std::string why;
        ReadStatus status = wire::readFrame(socket_, silenceMs, NetworkTimes::replyMs, wakeFds, frame, why);
        if (status == ReadStatus::Woken)
            return;
        if (status != ReadStatus::Ok) {
            sdkLog().warn("download {}: transfer broke off after {} of {} bytes", handle_, received_, total_);
            return finish(kFailed, status == ReadStatus::Malformed ? TSR_ERR_PROTOCOL : TSR_ERR_CONNECTION_LOST);
        }
        if (frame.header.kind == Kind::DownloadEnd) {
            if (received_ != total_)
                return finish(kFailed, TSR_ERR_PROTOCOL);
            if (std::fflush(file_) != 0)
                return finish(kFailed, TSR_ERR_FILE);
            return finish(100);
        }
        if (frame.header.kind != Kind::DownloadData || received_ + frame.body.size() > total_)
            return finish(kFailed, TSR_ERR_PROTOCOL);
        if (std::fwrite(frame.body.data(), 1, frame.body.size(), file_) != frame.body.size())
            return finish(kFailed, TSR_ERR_FILE);
        received_ += frame.body.size();
        // 100 is kept for the end frame: only then is the file complete.
        position_ = static_cast<int32_t>(std::min<uint64_t>(99, received_ * 100 / total_));
    }
}

void Download::finish(int32_t position, uint32_t failure)
{
    if (file_) {
        if (std::fclose(file_) != 0 && position != kFailed) {
            position = kFailed;
            failure = TSR_ERR_FILE;
        }
        file_ = nullptr;
    }
    socket_.close();
    failure_ = failure;
    position_ = position;
}

} // namespace tessoran
