#pragma once
// Starts the library once for a test program and ends it after the last
// test. Test programs run side by side, so each takes port ranges of its own
// (chosen by its process id) far above the privileged ports; ports another
// program holds are skipped by the pool.
#include <gtest/gtest.h>
#include <unistd.h>

#include "Pellmar.h"
#include "wexl.h"

class LibraryEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        Wexl_SetStderrLevel(WEXL_LEVEL_ERROR);
        const uint16_t base = static_cast<uint16_t>(20000 + (getpid() % 100) * 400);
        const PORT_POOL_T pool{base, 100, static_cast<uint16_t>(base + 200), 100};
        ASSERT_EQ(Pellmar_InitLib(&pool), 0);
    }
    void TearDown() override { Pellmar_FiniLib(); }
};

inline testing::Environment* const g_libraryEnvironment = testing::AddGlobalTestEnvironment(new LibraryEnvironment);
