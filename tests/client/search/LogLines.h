#pragma once

// Captures the lines of one of the client's loggers, to check what a failure logged.

#include "core/Logging.h"

#include <spdlog/sinks/ringbuffer_sink.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// Lines of one logger from the moment of construction, as `pattern` formats
// them (spdlog's flags: "%l %v" puts the level before the message).
class LogLines
{
public:
    explicit LogLines(const std::string& loggerName, const std::string& pattern = "%v")
        : logger(LoggerFor(loggerName)), sink(std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(512))
    {
        sink->set_pattern(pattern);
        logger->sinks().push_back(sink);
    }
    ~LogLines()
    {
        auto& sinks = logger->sinks();
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
    }
    int Count(const std::string& text) const
    {
        const std::vector<std::string> lines = sink->last_formatted();
        return static_cast<int>(std::count_if(
            lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }
    bool Contains(const std::string& text) const { return Count(text) > 0; }

private:
    std::shared_ptr<spdlog::logger> logger;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> sink;
};
