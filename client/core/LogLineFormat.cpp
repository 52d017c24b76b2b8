#include "LogLineFormat.h"

#include "FiveCharLevelFlag.h"

#include <LogText.h>

std::unique_ptr<spdlog::formatter> MakeLogLineFormatter()
{
    // Custom flags are looked up before spdlog's own, so this 'L' replaces the
    // built-in short level names.
    spdlog::pattern_formatter::custom_flags flags;
    flags['L'] = std::make_unique<FiveCharLevelFlag>();
    return logtext::makeEscapingFormatter(kLogLinePattern, spdlog::pattern_time_type::local, kLogLineEnd,
                                          std::move(flags));
}
