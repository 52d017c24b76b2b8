#pragma once

#include <QString>

#include <spdlog/spdlog.h>

#include <string>

// Log lines of the database layer: runtime format texts ("{}, ...失败，失败原因：{}")
// with Qt strings passed as UTF-8.

inline constexpr const char* kDatabaseLogger = "DatabaseOperation";

namespace database_log {

inline std::string Arg(const QString& text) { return text.toStdString(); }
template <typename T>
const T& Arg(const T& value) { return value; }

inline std::shared_ptr<spdlog::logger> Logger(const char* name)
{
    // TEMPORARY until the logging set-up lands.
    auto logger = spdlog::get(name);
    return logger ? logger : spdlog::default_logger();
}

} // namespace database_log

template <typename... Args>
void LogError(const char* logger, const char* format, const Args&... args)
{
    database_log::Logger(logger)->error(fmt::runtime(format), database_log::Arg(args)...);
}

template <typename... Args>
void LogWarn(const char* logger, const char* format, const Args&... args)
{
    database_log::Logger(logger)->warn(fmt::runtime(format), database_log::Arg(args)...);
}

template <typename... Args>
void LogInfo(const char* logger, const char* format, const Args&... args)
{
    database_log::Logger(logger)->info(fmt::runtime(format), database_log::Arg(args)...);
}
