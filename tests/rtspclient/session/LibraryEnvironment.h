#pragma once
// Starts the library once for a test program, with local port ranges high
// above the privileged ports (busy ports are skipped by the pool), and ends it
// after the last test.
#include <gtest/gtest.h>

#include "Pellmar.h"
#include "wexl.h"

class LibraryEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        Wexl_SetStderrLevel(WEXL_LEVEL_ERROR);
        const PORT_POOL_T pool{41000, 400, 43000, 400};
        ASSERT_EQ(Pellmar_InitLib(&pool), 0);
    }
    void TearDown() override { Pellmar_FiniLib(); }
};

inline testing::Environment* const g_libraryEnvironment = testing::AddGlobalTestEnvironment(new LibraryEnvironment);
