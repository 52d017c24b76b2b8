// The search workers' book-keeping: the latest search of a tab, the hand-back
// that waits for the GUI thread, and cancelling while workers run or wait.
#include "search/SearchWorkers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_search_workers";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QCoreApplication> application;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Runs the event loop until `done` holds or five seconds pass.
template <class Condition>
bool ProcessUntil(Condition done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(SearchWorkersTest, OnlyTheLastSearchOfATabIsTheLatest)
{
    SearchWorkers workers;
    const quint64 first = workers.Begin(SEARCH_INCIDENT);
    const quint64 other = workers.Begin(SEARCH_FORENSICS);
    EXPECT_TRUE(workers.IsLatest(SEARCH_INCIDENT, first));
    const quint64 second = workers.Begin(SEARCH_INCIDENT);
    EXPECT_FALSE(workers.IsLatest(SEARCH_INCIDENT, first));
    EXPECT_TRUE(workers.IsLatest(SEARCH_INCIDENT, second));
    EXPECT_TRUE(workers.IsLatest(SEARCH_FORENSICS, other)); // tabs count apart
}

TEST(SearchWorkersTest, HandBackRunsOnTheReceiversThreadAndWaitsForIt)
{
    SearchWorkers workers;
    QObject receiver;
    std::atomic<bool> handedBack{false};
    std::atomic<bool> ranOnReceiverThread{false};
    std::atomic<bool> returned{false};
    workers.Start([&] {
        handedBack = workers.HandBack(&receiver, [&] {
            ranOnReceiverThread = QThread::currentThread() == receiver.thread();
            QThread::msleep(50); // the worker must still be waiting
            EXPECT_FALSE(returned.load());
        });
        returned = true;
    });
    ASSERT_TRUE(ProcessUntil([&] { return returned.load(); }));
    EXPECT_TRUE(handedBack);
    EXPECT_TRUE(ranOnReceiverThread);
    ASSERT_TRUE(ProcessUntil([&] { return workers.Running() == 0; }));
}

TEST(SearchWorkersTest, CancelEndsAWaitingHandBackWithoutRunningIt)
{
    auto workers = std::make_unique<SearchWorkers>();
    QObject receiver;
    std::atomic<bool> waiting{false};
    std::atomic<bool> shown{false};
    std::atomic<bool> handedBack{true};
    workers->Start([&] {
        waiting = true;
        handedBack = workers->HandBack(&receiver, [&] { shown = true; });
    });
    while (!waiting)
        QThread::msleep(1);
    // The receiver's thread (this one) does not run its events: a blocking
    // queued call would wait for ever here. Cancel must not.
    QElapsedTimer timer;
    timer.start();
    workers->Cancel();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(workers->Running(), 0);
    EXPECT_FALSE(handedBack);
    QCoreApplication::processEvents(); // the queued call, now refused
    EXPECT_FALSE(shown);
}

TEST(SearchWorkersTest, CancelWaitsForAWorkerThatIsStillBusy)
{
    SearchWorkers workers;
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    workers.Start([&] {
        started = true;
        QThread::msleep(200); // a query that cannot be interrupted
        finished = true;
    });
    while (!started)
        QThread::msleep(1);
    workers.Cancel();
    EXPECT_TRUE(finished);
}

TEST(SearchWorkersTest, NothingStartsAfterCancel)
{
    SearchWorkers workers;
    workers.Cancel();
    workers.Start([] { ADD_FAILURE() << "started after cancel"; });
    EXPECT_EQ(workers.Running(), 0);
    EXPECT_TRUE(workers.IsCancelled());
}

} // namespace
