#pragma once
// The SDK's logger: standard error, level from TSR_LOG_LEVEL (default warn).
// Not registered with spdlog's registry, so the client's own logging set-up and
// shut-down never touch it.

#include <spdlog/spdlog.h>

#include <memory>

namespace tessoran {

spdlog::logger& sdkLog();

}  // namespace tessoran
