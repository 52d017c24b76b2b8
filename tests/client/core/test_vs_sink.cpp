#include "core/vs_sink.h"

#include <QTextCodec>
#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>

#include <cstdio>

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

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
        spdlog::sinks::vs_sink_st sink(out, [] { return true; });
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

// Debugger output that nobody listens to is dropped: in a terminal, where the
// console sink already shows each line, it must not appear a second time.
TEST(VsSink, WritesOnlyWhileADebuggerListens)
{
    for (const bool attached : {false, true}) {
        SCOPED_TRACE(attached);
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        int probes = 0;
        {
            spdlog::sinks::vs_sink_st sink(out, [&] {
                ++probes;
                return attached;
            });
            sink.set_formatter(
                std::make_unique<spdlog::pattern_formatter>("%v", spdlog::pattern_time_type::local, "\n"));
            for (int i = 0; i < 100; ++i)
                sink.log(spdlog::details::log_msg("Corvane", spdlog::level::info, "line"));
            sink.flush();
        }
        EXPECT_GE(probes, 1);
        EXPECT_LT(probes, 100) << "the process status is not read for every line";
        const long size = (std::fseek(out, 0, SEEK_END), std::ftell(out));
        std::fclose(out);
        EXPECT_EQ(size, attached ? 500 : 0);
    }
}

TEST(VsSink, TheTestIsNotTracedAndWritesNothingByDefault)
{
    if (spdlog::sinks::DebuggerAttached())
        GTEST_SKIP() << "running under a debugger";
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        spdlog::sinks::vs_sink_st sink(out);
        sink.log(spdlog::details::log_msg("Corvane", spdlog::level::info, "line"));
        sink.flush();
    }
    EXPECT_EQ((std::fseek(out, 0, SEEK_END), std::ftell(out)), 0);
    std::fclose(out);
}

TEST(VsSink, ATracedProcessHasADebugger)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(2);
        _exit(spdlog::sinks::DebuggerAttached() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "tracing is not allowed here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
