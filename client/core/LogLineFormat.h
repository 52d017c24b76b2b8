#pragma once

#include <spdlog/formatter.h>

#include <memory>

// Every log line: thread id, local date and time with milliseconds, level
// (five characters) and logger name, then the message, escaped (%*) so that no
// text from the network can end the line or reach the terminal raw.
inline constexpr const char* kLogLinePattern = "[%t %Y-%m-%d %H:%M:%S.%e]<%L|%n> %*";
// Lines end as they do in the files the client has always written.
inline constexpr const char* kLogLineEnd = "\r\n";

// A formatter for kLogLinePattern with the five-character level field.
std::unique_ptr<spdlog::formatter> MakeLogLineFormatter();
