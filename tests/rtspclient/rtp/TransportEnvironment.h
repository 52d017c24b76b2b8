#pragma once
// Starts the runtime and the RTP transport manager (its shared queue) once
// for a test program, and ends them after the last test.
#include <gtest/gtest.h>

#include "rtp/CRtpTransSessionMgr.h"
#include "zmr.h"

class TransportEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_EQ(ZMR_InitEx(), 0);
        ASSERT_EQ(CRtpTransSessionMgr::Instance().Init(), 0);
    }
    void TearDown() override
    {
        CRtpTransSessionMgr::Instance().Fini();
        ZMR_FiniEx();
    }
};

inline testing::Environment* const g_transportEnvironment = testing::AddGlobalTestEnvironment(new TransportEnvironment);
