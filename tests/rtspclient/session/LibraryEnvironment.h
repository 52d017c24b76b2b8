#pragma once
// Starts the library once for a test program and ends it after the last
// test.
#include <gtest/gtest.h>

#include "Pellmar.h"
#include "TestPortPool.h"
#include "wexl.h"

class LibraryEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        Wexl_SetStderrLevel(WEXL_LEVEL_ERROR);
        const PORT_POOL_T pool = TestPortPool();
        ASSERT_EQ(Pellmar_InitLib(&pool), 0);
    }
    void TearDown() override { Pellmar_FiniLib(); }
};

inline testing::Environment* const g_libraryEnvironment = testing::AddGlobalTestEnvironment(new LibraryEnvironment);
