#include "FiveCharLevelFlag.h"

spdlog::string_view_t FiveCharLevelFlag::Name(spdlog::level::level_enum level)
{
    switch (level) {
    case spdlog::level::trace: return "trace";
    case spdlog::level::debug: return "debug";
    case spdlog::level::info: return "info ";
    case spdlog::level::warn: return "warn ";
    case spdlog::level::err: return "error";
    case spdlog::level::critical: return "criti";
    case spdlog::level::off: return "off  ";
    default: return "?????";
    }
}

void FiveCharLevelFlag::format(const spdlog::details::log_msg& msg, const std::tm&, spdlog::memory_buf_t& dest)
{
    const spdlog::string_view_t name = Name(msg.level);
    dest.append(name.data(), name.data() + name.size());
}

std::unique_ptr<spdlog::custom_flag_formatter> FiveCharLevelFlag::clone() const
{
    return std::make_unique<FiveCharLevelFlag>();
}
