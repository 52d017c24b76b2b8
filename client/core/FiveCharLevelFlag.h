#pragma once

#include <spdlog/pattern_formatter.h>

// The level field of a log line: always five characters ("info ", "warn ",
// "error", "criti"), so the logger names after it line up.
class FiveCharLevelFlag final : public spdlog::custom_flag_formatter
{
public:
    void format(const spdlog::details::log_msg& msg, const std::tm& time, spdlog::memory_buf_t& dest) override;
    std::unique_ptr<spdlog::custom_flag_formatter> clone() const override;

    static spdlog::string_view_t Name(spdlog::level::level_enum level);
};
