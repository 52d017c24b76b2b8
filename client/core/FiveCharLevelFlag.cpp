#include "FiveCharLevelFlag.h"

#include <array>

spdlog::string_view_t FiveCharLevelFlag::Name(spdlog::level::level_enum level)
{
    static constexpr std::array<const char*, spdlog::level::n_levels> names = {
        "trace", "debug", "info ", "warn ", "error", "criti", "off  "};
    const auto index = static_cast<size_t>(level);
    return spdlog::string_view_t(index < names.size() ? names[index] : "?????", 5);
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
