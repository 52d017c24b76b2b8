#pragma once
// Refusals of the alarm listener, logged so that a flood cannot flood the log:
// of each kind, the first few of an interval get their line with the reason,
// the rest are counted and told as one line per kind when the interval ends.

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <string>

namespace tessoran {

class RefusalLog
{
public:
    static constexpr size_t kLinesPerInterval = 5;
    static constexpr std::chrono::seconds kInterval{10};

    explicit RefusalLog(boost::asio::io_context& io) : timer_(io) { }

    // On the listener's event loop only.
    void refused(const std::string& kind, const std::string& line);
    void stop() { timer_.cancel(); }

private:
    void report();

    boost::asio::steady_timer timer_;
    bool timing_ = false;
    struct Tally
    {
        size_t logged = 0;
        size_t counted = 0;
    };
    std::map<std::string, Tally> kinds_;
};

} // namespace tessoran
