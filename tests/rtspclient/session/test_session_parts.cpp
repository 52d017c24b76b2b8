// The session's own parts: the response map with its sweep, and the context entries.
#include <gtest/gtest.h>

#include <cstring>

#include "rtsp/CRtspResponseMap.h"
#include "rtsp/CSessionContextMap.h"

namespace {

TEST(ResponseMap, UnclaimedResponseIsSweptOnlyWhenOldAndDue)
{
    CRtspResponseMap map(0);
    map.Expect(7);
    ASSERT_TRUE(map.Store(7, "late", 1000));
    EXPECT_EQ(map.SweepIfDue(25000), 0u); // not more than 25 s since the last sweep
    EXPECT_EQ(map.SweepIfDue(25001), 0u); // due, but the entry is only 24 s old
    EXPECT_EQ(map.Size(), 1u);
    EXPECT_EQ(map.SweepIfDue(50001), 0u); // exactly 25 s after the previous sweep: not yet due
    EXPECT_EQ(map.SweepIfDue(51002), 1u); // due, and the entry is over 50 s old
    EXPECT_EQ(map.Size(), 0u);
}

TEST(ResponseMap, TakeMovesTheTextOutAndWakesTheWaiter)
{
    CRtspResponseMap map(0);
    EXPECT_FALSE(map.WaitPosted(1));
    map.Expect(3);
    map.Store(3, "first", 0);
    map.Store(3, "second", 0);
    EXPECT_TRUE(map.WaitPosted(1));
    std::string text;
    EXPECT_TRUE(map.Take(3, text));
    EXPECT_EQ(text, "second");
    EXPECT_FALSE(map.Take(3, text));
}

// A server answering CSeqs nobody asked for must not fill memory while a
// stream plays: only the awaited response is held.
TEST(ResponseMap, ResponsesNobodyWaitsForAreDropped)
{
    CRtspResponseMap map(0);
    const std::string large(200 * 1024, 'x');
    for (int cseq = 0; cseq < 5000; ++cseq)
        EXPECT_FALSE(map.Store(static_cast<uint16_t>(cseq), large, 0));
    EXPECT_EQ(map.Size(), 0u);
    map.Expect(42);
    EXPECT_FALSE(map.Store(41, "other", 0));
    EXPECT_TRUE(map.Store(42, "awaited", 0));
    EXPECT_LE(map.Size(), CRtspResponseMap::kMaxEntries);
    std::string text;
    ASSERT_TRUE(map.Take(42, text));
    EXPECT_EQ(text, "awaited");
    // Taken, the CSeq is no longer awaited: a repeated answer is dropped.
    EXPECT_FALSE(map.Store(42, "again", 0));
    map.Expect(43);
    EXPECT_TRUE(map.Store(43, "late", 0));
    map.Expect(CRtspResponseMap::kNone); // the wait gave up
    EXPECT_EQ(map.Size(), 0u);
}

TEST(ContextMap, ValuesAreAlwaysTerminatedAndNeverOverflowTheCaller)
{
    CSessionContextMap map;
    const char raw[3] = {'a', 'b', 'c'}; // no terminating zero given
    ASSERT_EQ(map.Add("raw", raw, 3), CSessionContextMap::kOk);
    EXPECT_EQ(map.Text("raw"), "abc");
    EXPECT_EQ(map.Add("raw", raw, 3), CSessionContextMap::kExists);

    char small[2];
    int length = 0;
    EXPECT_EQ(map.Get("raw", small, sizeof small, length), CSessionContextMap::kTooSmall);
    EXPECT_EQ(length, 3);
    char exact[3];
    EXPECT_EQ(map.Get("raw", exact, sizeof exact, length), CSessionContextMap::kOk);
    EXPECT_EQ(std::memcmp(exact, "abc", 3), 0);
    EXPECT_EQ(map.Get("none", exact, sizeof exact, length), CSessionContextMap::kUnknown);

    ASSERT_EQ(map.AddText("StopStream", "SessionID=12"), CSessionContextMap::kOk);
    EXPECT_EQ(map.Get("StopStream", nullptr, 0, length), CSessionContextMap::kTooSmall);
    EXPECT_EQ(length, 13); // the session's own entries count their zero
    std::string taken;
    EXPECT_TRUE(map.Take("StopStream", taken));
    EXPECT_EQ(taken, "SessionID=12");
    EXPECT_FALSE(map.Has("StopStream"));
}

TEST(ContextMap, NamesAreCutAt1279Characters)
{
    CSessionContextMap map;
    const std::string longName(2000, 'n');
    ASSERT_EQ(map.AddText(longName, "v"), CSessionContextMap::kOk);
    EXPECT_TRUE(map.Has(longName.substr(0, 1279)));
    EXPECT_EQ(map.AddText(longName.substr(0, 1279) + "x", "w"), CSessionContextMap::kExists);
}

} // namespace
