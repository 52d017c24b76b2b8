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
    ordered.insert(ordered.end(), ring_.begin() + static_cast<std::ptrdiff_t>(oldest_), ring_.end());
    ordered.insert(ordered.end(), ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(oldest_));
    return ordered;
}

template <typename Mutex>
void list_sink<Mutex>::sink_it_(const details::log_msg& msg)
{
    memory_buf_t formatted;
    this->formatter_->format(msg, formatted);
    if (ring_.size() < capacity) {
        ring_.push_back({details::log_msg_buffer(msg), std::string(formatted.data(), formatted.size())});
        return;
    }
    list_sink_line& slot = ring_[oldest_];
    slot.message = details::log_msg_buffer(msg);
    slot.formatted.assign(formatted.data(), formatted.size());
    oldest_ = (oldest_ + 1) % capacity;
}

template class list_sink<std::mutex>;
template class list_sink<details::null_mutex>;

} // namespace sinks
} // namespace spdlog
