// The public header is the whole contract: a C and a C++ caller compile with
// only it on their include path (a copy in a folder of its own) and link the
// shared library by its file.
#include <gtest/gtest.h>

#include <cstddef>

#include "Pellmar.h"

extern "C" {
size_t PellmarAloneMediaDescSize(void);
size_t PellmarAloneStreamDataSize(void);
int PellmarAloneStopNoSession(void);
}

TEST(PellmarHeaderAlone, RecordsHaveOneLayoutInCAndCpp)
{
    EXPECT_EQ(PellmarAloneMediaDescSize(), sizeof(RTSP_MEDIA_DESC_T));
    EXPECT_EQ(PellmarAloneMediaDescSize(), 1612u);
    EXPECT_EQ(PellmarAloneStreamDataSize(), sizeof(STREAM_DATA_T));
}

TEST(PellmarHeaderAlone, CallsReachTheSharedLibrary)
{
    EXPECT_EQ(PellmarAloneStopNoSession(), -1);
    EXPECT_EQ(Pellmar_StopStream(10000), -1);
}
