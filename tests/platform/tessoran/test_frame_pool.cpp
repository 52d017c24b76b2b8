// Buffers of alarm frames are read into again: a buffer given back comes back
// with its memory, a few are kept and no more, and an unusually large one is
// freed rather than held.

#include "FramePool.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tessoran::FramePool;

std::vector<uint8_t> Filled(size_t bytes)
{
    return std::vector<uint8_t>(bytes, 0x5a);
}

TEST(FramePoolTest, ABufferGivenBackIsTakenAgainWithItsMemoryAndEmpty)
{
    FramePool pool;
    std::vector<uint8_t> frame = Filled(150 * 1024);
    const uint8_t* memory = frame.data();
    pool.give(std::move(frame));
    std::vector<uint8_t> again = pool.take();
    EXPECT_TRUE(again.empty());
    EXPECT_GE(again.capacity(), 150u * 1024);
    again.resize(150 * 1024);
    EXPECT_EQ(again.data(), memory);
    EXPECT_TRUE(pool.take().empty());
    EXPECT_EQ(pool.take().capacity(), 0u);
}

TEST(FramePoolTest, OnlyAFewBuffersAreKept)
{
    FramePool pool;
    for (size_t i = 0; i < FramePool::kKeptBuffers + 10; ++i)
        pool.give(Filled(4096));
    EXPECT_EQ(pool.kept(), FramePool::kKeptBuffers);
    for (size_t i = 0; i < FramePool::kKeptBuffers; ++i)
        EXPECT_GE(pool.take().capacity(), 4096u);
    EXPECT_EQ(pool.kept(), 0u);
    EXPECT_EQ(pool.take().capacity(), 0u);
}

TEST(FramePoolTest, ALargeBufferIsFreedNotKept)
{
    FramePool pool;
    pool.give(Filled(FramePool::kLargestKept + 1));
    pool.give(std::vector<uint8_t>());
    EXPECT_EQ(pool.kept(), 0u);
    pool.give(Filled(FramePool::kLargestKept));
    EXPECT_EQ(pool.kept(), 1u);
}

} // namespace
