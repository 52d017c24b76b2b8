#include "core/vs_sink.h"

#include <QTextCodec>
#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>

#include <cstdio>

namespace {

struct CodecCase
{
    const char* name;
    const char* codec;
    std::string expected;
};

void PrintTo(const CodecCase& c, std::ostream* os)
{
    *os << c.name;
}


class VsSinkEncoding : public testing::TestWithParam<CodecCase>
{
protected:
    void TearDown() override { QTextCodec::setCodecForLocale(nullptr); }
};

TEST_P(VsSinkEncoding, LineReachesTheStreamInTheLocalEncoding)
{
    QTextCodec* codec = QTextCodec::codecForName(GetParam().codec);
    ASSERT_NE(codec, nullptr);
    QTextCodec::setCodecForLocale(codec);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        spdlog::sinks::vs_sink_st sink(out);
        sink.set_formatter(std::make_unique<spdlog::pattern_formatter>("%v", spdlog::pattern_time_type::local, "\r\n"));
        sink.log(spdlog::details::log_msg("Corvane", spdlog::level::info, "拥堵 at lane 2"));
        sink.flush();
    }
    std::rewind(out);
    char buffer[256] = {};
    const size_t read = std::fread(buffer, 1, sizeof buffer, out);
    std::fclose(out);
    EXPECT_EQ(std::string(buffer, read), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Codecs, VsSinkEncoding,
                         testing::Values(CodecCase{"Utf8", "UTF-8", "\xe6\x8b\xa5\xe5\xa0\xb5 at lane 2\r\n"},
                                         CodecCase{"Gbk", "GBK", "\xd3\xb5\xb6\xc2 at lane 2\r\n"}),
                         [](const testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

} // namespace
