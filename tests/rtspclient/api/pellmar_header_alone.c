/* A C caller that has the public header and nothing else of ours. */
#include "Pellmar.h"

#include <stddef.h>

size_t PellmarAloneMediaDescSize(void)
{
    return sizeof(RTSP_MEDIA_DESC_T);
}
size_t PellmarAloneStreamDataSize(void)
{
    return sizeof(STREAM_DATA_T);
}

int PellmarAloneStopNoSession(void)
{
    return Pellmar_StopStream(0);
}
