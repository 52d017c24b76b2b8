#pragma once
// One download by time: the device announces the size, then sends the data,
// which the download thread appends to the target file, then an end frame.

#include "tessoran.h"
#include "FrameIo.h"
#include "Waker.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessoran {

class Sdk;
class LoginSession;

class Download : public std::enable_shared_from_this<Download>
{
public:
    static constexpr int32_t kFailed = 200;

    Download(Sdk& sdk, int32_t handle, std::shared_ptr<LoginSession> login, std::string path,
             const TSR_PLAYCOND& condition);
    ~Download();

    // Creates the file and asks the device; returns a TSR_ERR_* code.
    uint32_t open();
    // Starts the transfer; a second start is refused.
    uint32_t start();
    int32_t position() const;
    // Why a failed download (position 200) failed, a TSR_ERR_* code.
    uint32_t failure() const { return failure_; }
    void stop();

private:
    void run();
    void finish(int32_t position, uint32_t failure = 0);

    Sdk& sdk_;
    const int32_t handle_;
    const std::shared_ptr<LoginSession> login_;
    const std::string path_;
    const TSR_PLAYCOND condition_;
    wire::Waker stopWaker_;
    std::mutex lifecycleMutex_; // start and stop never overlap
    std::atomic<bool> stopping_{false};
    std::atomic<bool> started_{false};
    std::atomic<int32_t> position_{0};
    std::atomic<uint32_t> failure_{0};
    std::thread thread_;
    wire::Socket socket_;
    std::FILE* file_ = nullptr;
    uint64_t total_ = 0;
    uint64_t received_ = 0;
};

} // namespace tessoran
