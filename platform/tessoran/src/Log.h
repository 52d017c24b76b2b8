#pragma once
// The SDK's logger. Its lines go to the log callback the application set
// (TSR_SetLogCallBack), so they land in the application's own log files, or to
// standard error while none is set. Level from TSR_LOG_LEVEL; by default info
// with a callback and warn without. Not registered with spdlog's registry, so
// the application's own logging set-up and shut-down never touch it.

#include "tessoran.h"

#include <spdlog/spdlog.h>

#include <memory>

namespace tessoran {

spdlog::logger& sdkLog();
void setLogCallback(TSR_LOGCALLBACK callback, void* user);

} // namespace tessoran
