// Threads, time, atomics, locks, text helpers and dynamic libraries.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>
#include <vector>

#include "ZMR_Guard.h"
#include "ZMR_Mutex.h"
#include "ZMR_Sema.h"
#include "zmr.h"
#include "zmr_mutex.h"

namespace {

unsigned int addThousand(void* argument)
{
    auto* counter = static_cast<volatile int32_t*>(argument);
    for (int i = 0; i < 1000; ++i)
        ZMR_AtomicInc(counter);
    return 0;
}

TEST(ZmrRuntime, ThreadsRunAndJoinWithAtomicCounting)
{
    volatile int32_t counter = 0;
    std::vector<ZMR_THREAD> threads;
    for (int i = 0; i < 8; ++i) {
        threads.push_back(ZMR_Thread_Create(addThousand, const_cast<int32_t*>(&counter), 0, 0, 0, nullptr));
        ASSERT_NE(threads.back(), ZMR_INVALID_THREAD);
    }
    for (ZMR_THREAD thread : threads)
        EXPECT_EQ(ZMR_Thread_Wait(thread), 0);
    EXPECT_EQ(counter, 8000);
    EXPECT_EQ(ZMR_Thread_Create(nullptr, nullptr, 0, 0, 0, nullptr), ZMR_INVALID_THREAD);
}

TEST(ZmrRuntime, AtomicsReturnTheDocumentedValues)
{
    volatile int32_t value = 5;
    EXPECT_EQ(ZMR_AtomicAdd(&value, 3), 5);
    EXPECT_EQ(ZMR_AtomicAdd(&value, 0), 8);
    EXPECT_EQ(ZMR_AtomicInc(&value), 9);
    EXPECT_EQ(ZMR_AtomicDec(&value), 8);
    EXPECT_EQ(ZMR_AtomicSet(&value, -1), 8);
    EXPECT_EQ(value, -1);
}

TEST(ZmrRuntime, TickIsMonotonicMilliseconds)
{
    const uint64_t before = ZMR_GetTimeTick();
    ZMR_Sleep(30);
    const uint64_t elapsed = ZMR_GetTimeTick() - before;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 30000u);
}

TEST(ZmrRuntime, MutexIsRecursiveAndGuardReleasesEarly)
{
    ZMR_Mutex mutex;
    {
        ZMR_Guard outer(mutex);
        ZMR_Guard inner(mutex);
        inner.Release();
        inner.Release();
        std::atomic<bool> taken{true};
        std::thread other([&] { taken = mutex.TryLock(); });
        other.join();
        EXPECT_FALSE(taken);
    }
    std::atomic<bool> taken{false};
    std::thread other([&] {
        taken = mutex.TryLock();
        if (taken)
            mutex.Unlock();
    });
    other.join();
    EXPECT_TRUE(taken);

    zmr::zmr_mutex singletonLock;
    std::lock_guard<zmr::zmr_mutex> first(singletonLock);
    std::lock_guard<zmr::zmr_mutex> second(singletonLock);
}

TEST(ZmrRuntime, SemaphoreWaitsForPostOrTime)
{
    ZMR_Sema sema(0, 2);
    EXPECT_NE(sema.TimedWait(20), 0);
    EXPECT_EQ(sema.Post(), 0);
    EXPECT_EQ(sema.Post(), 0);
    EXPECT_NE(sema.Post(), 0) << "the maximum holds";
    EXPECT_EQ(sema.TimedWait(0), 0);
    EXPECT_EQ(sema.TimedWait(0), 0);
    EXPECT_NE(sema.TimedWait(0), 0);

    std::thread poster([&] {
        ZMR_Sleep(50);
        sema.Post();
    });
    EXPECT_EQ(sema.TimedWait(30000), 0);
    poster.join();
}

struct AtoiCase
{
    const char* text;
    int32_t expected;
};

// Cases print as their texts in test listings.
void PrintTo(const AtoiCase& c, std::ostream* out)
{
    *out << '"' << (c.text ? c.text : "(null)") << '"';
}

class ZmrAtoi : public ::testing::TestWithParam<AtoiCase>
{ };

TEST_P(ZmrAtoi, ParsesLikeAtoiButSaturates)
{
    EXPECT_EQ(ZMR_Atoi32(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZmrAtoi,
                         ::testing::Values(AtoiCase{"554", 554}, AtoiCase{"  -12x", -12}, AtoiCase{"+7", 7},
                                           AtoiCase{"", 0}, AtoiCase{"abc", 0}, AtoiCase{nullptr, 0},
                                           AtoiCase{"2147483647", INT32_MAX}, AtoiCase{"99999999999", INT32_MAX},
                                           AtoiCase{"-2147483648", INT32_MIN}, AtoiCase{"-99999999999", INT32_MIN}));

TEST(ZmrText, StrncpyAlwaysTerminatesAndStrncmpComparesPrefixes)
{
    char buffer[6];
    EXPECT_STREQ(ZMR_Strncpy(buffer, "session", sizeof buffer), "sessi");
    EXPECT_STREQ(ZMR_Strncpy(buffer, "ab", sizeof buffer), "ab");
    EXPECT_STREQ(ZMR_Strncpy(buffer, nullptr, sizeof buffer), "");
    EXPECT_EQ(ZMR_Strncmp("RTSP/1.0 200", "RTSP/1.0", 8), 0);
    EXPECT_NE(ZMR_Strncmp("RTSP/1.1", "RTSP/1.0", 8), 0);
    EXPECT_NE(ZMR_Strncmp(nullptr, "x", 1), 0);
}

TEST(ZmrDso, LoadsSymbolsAndReportsMissingOnes)
{
    EXPECT_EQ(ZMR_LoadDSo("libcorvane-does-not-exist.so"), nullptr);
    ZMR_DSO math = ZMR_LoadDSo("libm.so.6");
    ASSERT_NE(math, nullptr);
    using Cos = double (*)(double);
    auto cosine = reinterpret_cast<Cos>(ZMR_GetDsoSym(math, "cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(ZMR_GetDsoSym(math, "no_such_symbol_here"), nullptr);
    EXPECT_EQ(ZMR_UnloadDSo(math), 0);
}

TEST(ZmrLibrary, InitAndFiniAreCounted)
{
    EXPECT_EQ(ZMR_InitEx(), 0);
    EXPECT_EQ(ZMR_InitEx(), 0);
    EXPECT_EQ(ZMR_FiniEx(), 0);
    EXPECT_EQ(ZMR_FiniEx(), 0);
    EXPECT_NE(ZMR_FiniEx(), 0);
}

} // namespace
