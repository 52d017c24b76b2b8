#include "core/list_sink.h"

#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>

#include <string>

namespace {

using spdlog::sinks::list_sink_st;

std::string Payload(const spdlog::sinks::list_sink_line& line)
{
    return std::string(line.message.payload.data(), line.message.payload.size());
}

void WriteNumbered(list_sink_st& sink, int from, int to)
{
    for (int i = from; i < to; ++i) {
        const std::string text = "message " + std::to_string(i);
        sink.log(spdlog::details::log_msg("Recent", spdlog::level::warn, text));
    }
}

class ListSinkWrap : public testing::TestWithParam<int>
{ };

TEST_P(ListSinkWrap, KeepsTheNewestCapacityMessagesOldestFirst)
{
    const int written = GetParam();
    list_sink_st sink;
    WriteNumbered(sink, 0, written);
    const auto lines = sink.lines();
    const int kept = std::min(written, static_cast<int>(list_sink_st::capacity));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kept));
    for (int i = 0; i < kept; ++i)
        ASSERT_EQ(Payload(lines[static_cast<size_t>(i)]), "message " + std::to_string(written - kept + i));
}

// Below capacity, exactly full, one past it (the oldest goes), 1,500, and past
// a second wrap-around.
INSTANTIATE_TEST_SUITE_P(Counts, ListSinkWrap, testing::Values(0, 1, 1001, 1002, 1500, 2503));

TEST(ListSink, KeepsOwnedCopiesOfTheWholeMessage)
{
    list_sink_st sink;
    sink.set_formatter(
        std::make_unique<spdlog::pattern_formatter>("<%n|%l> %v", spdlog::pattern_time_type::local, "\r\n"));
    std::string name = "DeviceManager";
    std::string text = "设备登录失败";
    spdlog::details::log_msg msg(name, spdlog::level::err, text);
    sink.log(msg);
    // The logged message's views would now dangle: the buffers behind them change.
    name.assign(name.size(), '#');
    text.assign(text.size(), '#');
    WriteNumbered(sink, 0, 1000);

    const auto lines = sink.lines();
    ASSERT_EQ(lines.size(), list_sink_st::capacity);
    const auto& first = lines.front();
    EXPECT_EQ(std::string(first.message.logger_name.data(), first.message.logger_name.size()), "DeviceManager");
    EXPECT_EQ(Payload(first), "设备登录失败");
    EXPECT_EQ(first.message.level, spdlog::level::err);
    EXPECT_EQ(first.message.time, msg.time);
    EXPECT_EQ(first.message.thread_id, msg.thread_id);
    EXPECT_EQ(first.formatted, "<DeviceManager|error> 设备登录失败\r\n");
    EXPECT_EQ(lines.back().formatted, "<Recent|warning> message 999\r\n");
}

} // namespace
