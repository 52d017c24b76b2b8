// The log entry writes whole, formatted lines to its file and standard error.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "wexl.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class WexlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("wexl-test-" + std::to_string(getpid()));
        m_file = m_dir / "nested" / "Pellmar.log";
        ASSERT_EQ(Wexl_SetLogFile(m_file.c_str()), 0);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path m_dir;
    fs::path m_file;
};

struct LevelCase
{
    int level;
    const char* name;
};

// Cases print as their level names in test listings.
void PrintTo(const LevelCase& c, std::ostream* out)
{
    *out << c.name;
}

class WexlLevels : public WexlTest, public ::testing::WithParamInterface<LevelCase>
{ };

TEST_P(WexlLevels, LineCarriesLevelModuleAndFormattedText)
{
    Wexl_Log(GetParam().level, "PELLMAR", "[%s(%d)] [0x%08x] - Connect Fail, errCode<%d>", "Connect", 42, 0x2231234,
             111);
    const std::string text = readFile(m_file);
    EXPECT_NE(text.find(std::string("[") + GetParam().name +
                        "] [PELLMAR] [Connect(42)] [0x02231234] - "
                        "Connect Fail, errCode<111>\n"),
              std::string::npos)
        << text;
}

INSTANTIATE_TEST_SUITE_P(Levels, WexlLevels,
                         ::testing::Values(LevelCase{WEXL_LEVEL_INFO, "info"}, LevelCase{4, "warning"},
                                           LevelCase{WEXL_LEVEL_ERROR, "error"},
                                           LevelCase{WEXL_LEVEL_ALLOC, "critical"}));

TEST_F(WexlTest, LongMessagesAreNotCutAndLineEndsAreNotDoubled)
{
    const std::string longText(20000, 'x');
    Wexl_SetStderrLevel(7);
    Wexl_Log(WEXL_LEVEL_INFO, "PELLMAR", "%s\r\n", longText.c_str());
    Wexl_SetStderrLevel(WEXL_LEVEL_INFO);
    const std::string text = readFile(m_file);
    EXPECT_NE(text.find(longText + "\n"), std::string::npos);
    EXPECT_EQ(text.find(longText + "\r"), std::string::npos);
}

TEST_F(WexlTest, StandardErrorGetsTheSameLineAboveItsLevel)
{
    Wexl_SetStderrLevel(WEXL_LEVEL_ERROR);
    testing::internal::CaptureStderr();
    Wexl_Log(WEXL_LEVEL_INFO, "PELLMAR", "quiet %d", 1);
    Wexl_Log(WEXL_LEVEL_ERROR, "PELLMAR", "loud %d", 2);
    const std::string captured = testing::internal::GetCapturedStderr();
    Wexl_SetStderrLevel(WEXL_LEVEL_INFO);
    EXPECT_EQ(captured.find("quiet 1"), std::string::npos);
    EXPECT_NE(captured.find("[error] [PELLMAR] loud 2"), std::string::npos) << captured;
    EXPECT_NE(readFile(m_file).find("quiet 1"), std::string::npos);
}

TEST_F(WexlTest, UnwritableFileIsRefusedAndTheOldOneKept)
{
    EXPECT_NE(Wexl_SetLogFile("/proc/no-such-dir/x.log"), 0);
    EXPECT_NE(Wexl_SetLogFile(""), 0);
    Wexl_Log(WEXL_LEVEL_INFO, nullptr, "still here");
    EXPECT_NE(readFile(m_file).find("[] still here"), std::string::npos);
}

TEST_F(WexlTest, LinesBelowTheLevelAreDropped)
{
    Wexl_SetLevel(WEXL_LEVEL_ERROR);
    Wexl_Log(WEXL_LEVEL_INFO, "PELLMAR", "dropped %d", 1);
    Wexl_Log(WEXL_LEVEL_ERROR, "PELLMAR", "kept %d", 2);
    Wexl_SetLevel(7);
    Wexl_Log(WEXL_LEVEL_ALLOC, "PELLMAR", "silenced %d", 3);
    Wexl_SetLevel(0);
    const std::string text = readFile(m_file);
    EXPECT_EQ(text.find("dropped 1"), std::string::npos);
    EXPECT_NE(text.find("kept 2"), std::string::npos);
    EXPECT_EQ(text.find("silenced 3"), std::string::npos);
}

} // namespace
