#include "Log.h"

#include <spdlog/sinks/stdout_color_sinks.h>

#include <cstdlib>

namespace tessoran {

spdlog::logger& sdkLog() {
  static std::shared_ptr<spdlog::logger> logger = [] {
    auto sink = std::make_shared<spdlog::sinks::stderr_color_sink_mt>();
    auto log = std::make_shared<spdlog::logger>("Tessoran", sink);
    const char* level = std::getenv("TSR_LOG_LEVEL");
    log->set_level(level ? spdlog::level::from_str(level) : spdlog::level::warn);
    return log;
  }();
  return *logger;
}

}  // namespace tessoran
