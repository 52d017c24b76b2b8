#pragma once

#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include <cstdio>
#include <mutex>

namespace spdlog {
namespace sinks {

// The debugger-output sink. Linux has no debugger output channel, so lines go
// to standard error (or the given stream), converted to the local 8-bit encoding.
template <typename Mutex>
class vs_sink final : public base_sink<Mutex>
{
public:
    explicit vs_sink(std::FILE* out = stderr);

protected:
    void sink_it_(const details::log_msg& msg) override;
    void flush_() override;

private:
    std::FILE* out_;
    bool localIsUtf8_; // the common case: lines pass through unconverted
};

using vs_sink_mt = vs_sink<std::mutex>;
using vs_sink_st = vs_sink<details::null_mutex>;

extern template class vs_sink<std::mutex>;
extern template class vs_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
