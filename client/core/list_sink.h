#pragma once

#include <spdlog/details/log_msg_buffer.h>
#include <spdlog/details/null_mutex.h>
#include <spdlog/sinks/base_sink.h>

#include <mutex>
#include <string>
#include <vector>

namespace spdlog {
namespace sinks {

// One kept log message: an owned copy (spdlog's message only holds views that
// die after the log call) and its formatted line.
struct list_sink_line
{
    details::log_msg_buffer message;
    std::string formatted;
};

// Keeps the most recent log messages in memory, for a view of the latest lines.
template <typename Mutex>
class list_sink final : public base_sink<Mutex>
{
public:
    static constexpr size_t capacity = 1001;

    list_sink();

    // The kept lines, oldest first, formatted now.
    std::vector<list_sink_line> lines();

protected:
    void sink_it_(const details::log_msg& msg) override;
    void flush_() override { }

private:
    // A ring: once full, the oldest slot is overwritten in place.
    std::vector<details::log_msg_buffer> ring_;
    size_t oldest_ = 0;
};

using list_sink_mt = list_sink<std::mutex>;
using list_sink_st = list_sink<details::null_mutex>;

extern template class list_sink<std::mutex>;
extern template class list_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
