// The C entry points of the logging library.
#include "wexl.h"

#include <cstdio>
#include <string>

#include "WexlLogger.h"

namespace {

std::string formatted(const char* format, va_list arguments)
{
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0)
        return std::string("(bad log format) ") + format;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    // A trailing line end would leave an empty line behind each entry.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

void Wexl_LogV(int level, const char* module, const char* format, va_list arguments)
{
    if (!format || !wexl::WexlLogger::instance().wants(level))
        return;
    try {
        wexl::WexlLogger::instance().log(level, module, formatted(format, arguments));
    } catch (...) {
        // Logging never takes the caller down.
    }
}

void Wexl_Log(int level, const char* module, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Wexl_LogV(level, module, format, arguments);
    va_end(arguments);
}

int Wexl_SetLogFile(const char* path)
{
    if (!path || !*path)
        return -1;
    return wexl::WexlLogger::instance().setFile(path) ? 0 : -1;
}

void Wexl_SetStderrLevel(int level)
{
    wexl::WexlLogger::instance().setStderrLevel(level);
}

void Wexl_SetLevel(int level)
{
    wexl::WexlLogger::instance().setLevel(level);
}
