#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "LoopbackPeer.h"
#include "TransportEnvironment.h"
#include "rtp/CRtpTransSession.h"
#include "rtp/CRtpTransSessionMgr.h"

namespace {

// A transport session that only counts its periodic steps.
class CountingSession : public CRtpTransSession
{
public:
    std::atomic<int> steps{0};
    int Close() override { return 0; }
    int PeriodicStep() override
    {
        ++steps;
        return 0;
    }
    bool SendRtp(const uint8_t*, size_t) override { return true; }
    bool SendRtcp(const uint8_t*, size_t) override { return true; }
};

} // namespace

TEST(CRtpTransSessionMgr, StepsOnlyRegisteredSessions)
{
    CRtpTransSessionMgr& manager = CRtpTransSessionMgr::Instance();
    CountingSession session;
    manager.Register(&session);
    manager.StepAll();
    EXPECT_GE(session.steps, 1);
    manager.Unregister(&session);
    const int before = session.steps;
    manager.StepAll();
    EXPECT_EQ(session.steps, before);
    EXPECT_FALSE(manager.IsRegistered(&session));
}

TEST(CRtpTransSessionMgr, ItsThreadStepsAboutOnceASecond)
{
    CountingSession session;
    CRtpTransSessionMgr::Instance().Register(&session);
    EXPECT_TRUE(loopback::WaitFor([&] { return session.steps >= 2; }, 15000));
    CRtpTransSessionMgr::Instance().Unregister(&session);
}

TEST(CRtpTransSessionMgr, UnregisteringWhileTheThreadStepsIsSafe)
{
    for (int i = 0; i < 200; ++i) {
        auto session = std::make_unique<CountingSession>();
        CRtpTransSessionMgr::Instance().Register(session.get());
        std::thread stepper([] { CRtpTransSessionMgr::Instance().StepAll(); });
        CRtpTransSessionMgr::Instance().Unregister(session.get());
        session.reset(); // a step after this would touch freed memory
        stepper.join();
    }
}

TEST(CRtpTransSessionMgr, SecondInitKeepsTheQueue)
{
    const ZMR_ASYNCIOQUEUE queue = CRtpTransSessionMgr::Instance().SharedQueue();
    ASSERT_NE(queue, ZMR_INVALID_ASYNCIOQUEUE);
    EXPECT_EQ(CRtpTransSessionMgr::Instance().Init(), 0);
    EXPECT_EQ(CRtpTransSessionMgr::Instance().SharedQueue(), queue);
}

TEST(CRtpTransSessionOpens, EachTransportRefusesTheOthersOpen)
{
    CountingSession session;
    EXPECT_EQ(session.OpenTcp(ZMR_INVALID_SOCKET, ZMR_INVALID_SOCKET, 0), -2);
    EXPECT_EQ(session.OpenRtsp(nullptr, 0), -2);
    EXPECT_EQ(session.OpenUdp(nullptr, 0, "127.0.0.1", 0), -2);
}
