#pragma once

#include "QStringFormatter.h"

#include <spdlog/logger.h>

#include <memory>
#include <string>

// The client's logging: named spdlog loggers, one per class, sharing one set of
// sinks: standard output, the debugger-output sink (standard error, only while a
// debugger is attached) and the rotating files in "<application dir>/<folder>".
// The logger "GUI" also feeds
// the list of recent lines. Every message starts with the qualified method:
//     LoggerFor("DatabaseOperation")->error("{}, insert incident failed", "DatabaseOperation::InsertIncident");

// Creates the log folder and the shared sinks; call once at start, before
// anything logs. When the folder or the first file cannot be opened, logging
// goes on to the console only, the reason is logged there and the result is
// false. A second call changes nothing and returns the first call's result.
bool InitLogging(const wchar_t* folderName);

// Drops every logger. Loggers asked for afterwards are made anew on the same sinks.
void ShutdownLogging();

// The logger of that name, created on first use. Any thread may call it.
std::shared_ptr<spdlog::logger> GetOrCreateLogger(const std::string& name);
std::shared_ptr<spdlog::logger> LoggerFor(const std::string& name);
// The logger "Global", for lines without a category.
std::shared_ptr<spdlog::logger> GlobalLogger();

// A printf-style entry with wide-character format and texts, for the few places
// that log outside the named-logger style. `category` names the logger ("Global"
// when empty); level 1 info, 2 trace, 3 debug, 4 warning, 5 error, 6 critical,
// other values log nothing. As in every wide printf on Linux, %ls takes a wide
// string and %s a narrow one. `function`, `file` and `line` are accepted for
// call-site compatibility and not written.
void LogWideF(const wchar_t* category, const wchar_t* function, const wchar_t* file, int line, int level,
              const wchar_t* format, ...);
