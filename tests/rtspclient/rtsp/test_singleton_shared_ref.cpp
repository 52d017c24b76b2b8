// Lazily made singletons and counted references across threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/shared_object.h"
#include "common/shared_ref.h"
#include "common/singleton.h"

namespace {

std::atomic<int> g_constructed{0};

struct SlowToBuild
{
    SlowToBuild()
    {
        ++g_constructed;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
};

TEST(Singleton, ThreadsRacingForTheFirstInstanceGetTheSameObject)
{
    std::vector<std::thread> threads;
    std::vector<SlowToBuild*> seen(8);
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = singleton<SlowToBuild>::instance(); });
    for (auto& thread : threads)
        thread.join();
    for (SlowToBuild* instance : seen)
        EXPECT_EQ(instance, seen[0]);
    EXPECT_EQ(g_constructed, 1);
    singleton<SlowToBuild>::destroy();
    EXPECT_TRUE(singleton<SlowToBuild>::destroyed());
    EXPECT_FALSE(singleton<SlowToBuild>::exists());
    EXPECT_NE(singleton<SlowToBuild>::instance(), nullptr) << "made again after a finish";
    EXPECT_EQ(g_constructed, 2);
    singleton<SlowToBuild>::destroy();
}

struct Counted : shared_object
{
    explicit Counted(std::atomic<int>& deletions) : deletions(deletions) { }
    ~Counted() override { ++deletions; }
    std::atomic<int>& deletions;
};

TEST(SharedRef, ObjectHeldByTwoIsDeletedOnceByTheLastRelease)
{
    std::atomic<int> deletions{0};
    auto* object = new Counted(deletions);
    shared_ref<Counted> first(object);
    {
        shared_ref<Counted> second(first);
        EXPECT_EQ(object->ref_count(), 2);
        first.reset();
        EXPECT_EQ(deletions, 0);
    }
    EXPECT_EQ(deletions, 1);
}

TEST(SharedRef, AssigningTheSameObjectLeavesTheCount)
{
    std::atomic<int> deletions{0};
    auto* object = new Counted(deletions);
    shared_ref<Counted> first(object);
    shared_ref<Counted> second(first);
    first = first;
    first = second;
    EXPECT_EQ(object->ref_count(), 2);
    std::atomic<int> otherDeletions{0};
    second = shared_ref<Counted>(new Counted(otherDeletions));
    EXPECT_EQ(object->ref_count(), 1);
    second.reset();
    EXPECT_EQ(otherDeletions, 1);
    first.reset();
    EXPECT_EQ(deletions, 1);
}

TEST(SharedRef, CopiesAndReleasesOnManyThreadsDeleteExactlyOnce)
{
    std::atomic<int> deletions{0};
    shared_ref<Counted> origin(new Counted(deletions));
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&origin] {
            for (int i = 0; i < 10000; ++i) {
                shared_ref<Counted> copy(origin);
                shared_ref<Counted> another;
                another = copy;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(origin->ref_count(), 1);
    EXPECT_EQ(deletions, 0);
    origin.reset();
    EXPECT_EQ(deletions, 1);
}

} // namespace
