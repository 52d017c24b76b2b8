#pragma once

#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>

namespace spdlog {
namespace sinks {

// Whether a debugger traces this process ("TracerPid" in /proc/self/status).
bool DebuggerAttached();

// The debugger-output sink. Linux has no debugger output channel, so lines go
// to standard error (or the given stream), converted to the local 8-bit
// encoding, and, as debugger output that nobody listens to is dropped, only
// while a debugger is attached: in a terminal each line would show twice.
// `attached` answers that question (DebuggerAttached when empty); it is asked
// at most once a second, so attaching shows within a second.
template <typename Mutex>
class vs_sink final : public base_sink<Mutex>
{
public:
    using probe = std::function<bool()>;

    explicit vs_sink(std::FILE* out = stderr, probe attached = {});

protected:
    void sink_it_(const details::log_msg& msg) override;
    void flush_() override;

private:
    bool listening();

    std::FILE* out_;
    bool localIsUtf8_; // the common case: lines pass through unconverted
    const probe attached_;
    bool listening_ = false;
    std::chrono::steady_clock::time_point nextProbe_{};
};

using vs_sink_mt = vs_sink<std::mutex>;
using vs_sink_st = vs_sink<details::null_mutex>;

extern template class vs_sink<std::mutex>;
extern template class vs_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
