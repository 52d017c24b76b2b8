// Splitting, trimming and hexadecimal decoding.
#include <gtest/gtest.h>

#include "common/RtspText.h"

namespace {

using namespace rtsp_text;

struct TrimCase
{
    const char* name;
    std::string input;
    std::string trimmed;
};

class TrimTest : public ::testing::TestWithParam<TrimCase>
{ };

TEST_P(TrimTest, RemovesBlanksThenCarriageReturns)
{
    std::string text = GetParam().input;
    Trim(text);
    EXPECT_EQ(text, GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimTest,
                         ::testing::Values(TrimCase{"blankBeforeCrAfter", " a\r", "a"},
                                           TrimCase{"singleBlankStays", " ", " "}, TrimCase{"empty", "", ""},
                                           TrimCase{"onlyBlanks", "   ", ""},
                                           TrimCase{"crBeforeBlankStaysBlank", "\r a", " a"},
                                           TrimCase{"blanksGoBeforeCarriageReturns", " a b \r\r", "a b "}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrimQuotesTest, RemovesQuotesAtBothEnds)
{
    std::string text = "\"GStreamer RTSP Server\"";
    TrimQuotes(text);
    EXPECT_EQ(text, "GStreamer RTSP Server");
    text = "\"";
    TrimQuotes(text);
    EXPECT_EQ(text, "");
}

struct SplitCase
{
    const char* name;
    std::string text;
    std::vector<std::string> separators;
    int maxSplits;
    std::vector<std::string> parts;
};

class SplitTest : public ::testing::TestWithParam<SplitCase>
{ };

TEST_P(SplitTest, SplitsInSeparatorOrderUpToTheMaximum)
{
    std::vector<std::string> parts{"stale"};
    EXPECT_EQ(Split(GetParam().text, GetParam().separators, parts, GetParam().maxSplits),
              static_cast<int>(GetParam().parts.size()));
    EXPECT_EQ(parts, GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTest,
    ::testing::Values(SplitCase{"maximumOne", "a,b,c", {","}, 1, {"a", "b,c"}},
                      SplitCase{"negativeMeansAll", "a,b,c", {","}, -1, {"a", "b", "c"}},
                      SplitCase{"noSeparator", "abc", {","}, 0, {"abc"}}, SplitCase{"empty", "", {","}, 0, {""}},
                      SplitCase{"trailingSeparator", "a,", {","}, 0, {"a", ""}},
                      // The first separator in the list that occurs wins, not the nearest.
                      SplitCase{"firstListedWins", "x\nm=a\r\nm=b", {"\r\nm=", "\nm="}, 0, {"x\nm=a", "b"}},
                      SplitCase{"emptySeparatorIgnored", "a;b", {"", ";"}, 0, {"a", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitLimitTest, StopsAfterSixtyFourSplits)
{
    std::vector<std::string> parts;
    EXPECT_EQ(Split(std::string(100, ','), {","}, parts), 65);
    EXPECT_EQ(parts.back(), std::string(36, ','));
}

TEST(SplitKeyValueTest, TrimsNamesKeepsValuesAndLaterWins)
{
    std::map<std::string, std::string> values;
    SplitKeyValue({" CIPHER_SUITE=\"0\"", "RAND= abc=", "flag", "RAND=second"}, "=", values);
    EXPECT_EQ(values.at("CIPHER_SUITE"), "\"0\"");
    EXPECT_EQ(values.at("RAND"), "second");
    EXPECT_EQ(values.at("flag"), "");
}

TEST(HexDecodeTest, DecodesPairsAndRefusesOddLengths)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(HexDecode("494d4B48zz", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x49, 0x4D, 0x4B, 0x48, 0x00}));
    EXPECT_FALSE(HexDecode("494", bytes));
    ASSERT_TRUE(HexDecode("", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(ContainsTest, FindsSubstrings)
{
    EXPECT_TRUE(Contains("Digest", "Digest realm=\"x\""));
    EXPECT_FALSE(Contains("digest", "Digest realm=\"x\""));
}

} // namespace
