#include "list_sink.h"

namespace spdlog {
namespace sinks {

template <typename Mutex>
list_sink<Mutex>::list_sink()
{
    ring_.reserve(capacity);
}

template <typename Mutex>
std::vector<list_sink_line> list_sink<Mutex>::lines()
{
    std::lock_guard<Mutex> lock(this->mutex_);
    std::vector<list_sink_line> ordered;
    ordered.reserve(ring_.size());
    const auto add = [&](const details::log_msg_buffer& message) {
        memory_buf_t formatted;
        this->formatter_->format(message, formatted);
        ordered.push_back({message, std::string(formatted.data(), formatted.size())});
    };
    for (size_t i = oldest_; i < ring_.size(); ++i)
        add(ring_[i]);
    for (size_t i = 0; i < oldest_; ++i)
        add(ring_[i]);
    return ordered;
}

template <typename Mutex>
void list_sink<Mutex>::sink_it_(const details::log_msg& msg)
{
    // Only a copy is kept: the line is formatted when somebody reads it, as
    // nearly every kept message is overwritten unread.
    if (ring_.size() < capacity) {
        ring_.emplace_back(msg);
        return;
    }
    ring_[oldest_] = details::log_msg_buffer(msg);
    oldest_ = (oldest_ + 1) % capacity;
}

template class list_sink<std::mutex>;
template class list_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
