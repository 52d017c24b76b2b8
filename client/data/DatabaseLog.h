#pragma once

#include "core/Logging.h"

// Log lines of the database layer. The formats are runtime texts
// ("{}, 插入事件失败，失败原因：{}") chosen per statement; QString arguments are
// written as UTF-8.

inline constexpr const char* kDatabaseLogger = "DatabaseOperation";

template <typename... Args>
void LogError(const char* logger, const char* format, const Args&... args)
{
    LoggerFor(logger)->error(fmt::runtime(format), args...);
}

template <typename... Args>
void LogWarn(const char* logger, const char* format, const Args&... args)
{
    LoggerFor(logger)->warn(fmt::runtime(format), args...);
}

template <typename... Args>
void LogInfo(const char* logger, const char* format, const Args&... args)
{
    LoggerFor(logger)->info(fmt::runtime(format), args...);
}
