#include "Log.h"

#include <LogText.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace tessoran {
namespace {

uint32_t toCallbackLevel(spdlog::level::level_enum level)
{
    switch (level) {
    case spdlog::level::trace: return TSR_LOG_TRACE;
    case spdlog::level::debug: return TSR_LOG_DEBUG;
    case spdlog::level::info: return TSR_LOG_INFO;
    case spdlog::level::warn: return TSR_LOG_WARN;
    case spdlog::level::err: return TSR_LOG_ERROR;
    default: return TSR_LOG_CRITICAL;
    }
}

// Hands each line to the application's callback, or to standard error. Texts
// of the network (user names, addresses) are in the lines: they are escaped
// here, so a NUL cannot cut the C string the callback gets, nor a line end or
// ESC reach the application's log raw.
class CallbackSink : public spdlog::sinks::base_sink<std::mutex>
{
public:
    CallbackSink() { stderr_.set_formatter(logtext::makeEscapingFormatter("[%Y-%m-%d %H:%M:%S.%e] [%n] [%l] %*")); }

    void setCallback(TSR_LOGCALLBACK callback, void* user)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callback_ = callback;
        user_ = user;
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        if (!callback_)
            return stderr_.log(message);
        const std::string text = logtext::escaped(std::string_view(message.payload.data(), message.payload.size()));
        callback_(toCallbackLevel(message.level), text.c_str(), user_);
    }
    void flush_() override { stderr_.flush(); }

private:
    TSR_LOGCALLBACK callback_ = nullptr;
    void* user_ = nullptr;
    spdlog::sinks::stderr_color_sink_st stderr_;
};

std::shared_ptr<CallbackSink> sink()
{
    static auto instance = std::make_shared<CallbackSink>();
    return instance;
}

spdlog::level::level_enum levelFor(bool withCallback)
{
    const char* level = std::getenv("TSR_LOG_LEVEL");
    if (level)
        return spdlog::level::from_str(level);
    return withCallback ? spdlog::level::info : spdlog::level::warn;
}

} // namespace

spdlog::logger& sdkLog()
{
    static std::shared_ptr<spdlog::logger> logger = [] {
        auto log = std::make_shared<spdlog::logger>("Tessoran", sink());
        log->set_level(levelFor(false));
        return log;
    }();
    return *logger;
}

void setLogCallback(TSR_LOGCALLBACK callback, void* user)
{
    sink()->setCallback(callback, user);
    sdkLog().set_level(levelFor(callback != nullptr));
}

} // namespace tessoran
