#ifndef PELLMAR_STREAM_DATA_H
#define PELLMAR_STREAM_DATA_H
/* What the data callback receives. Plain C, so the public header can take it. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Data types of the data callback. */
enum {
    PELLMAR_DATA_MEDIA_INFO = 1,     /* the track's media-info header */
    PELLMAR_DATA_RTP = 2,            /* one RTP packet, whole or payload */
    PELLMAR_DATA_MEDIA_DESC = 10,    /* the track's media description record */
    PELLMAR_DATA_SDP = 11,           /* SDP text of DESCRIBE or ANNOUNCE */
    PELLMAR_DATA_DESTINATION = 26,   /* SETUP Transport "destination" */
    PELLMAR_DATA_PORT = 27,          /* SETUP Transport "port" */
    PELLMAR_DATA_END_OF_STREAM = 100 /* the stream has ended (RTCP BYE) */
};

/* One block of data. For data that is no RTP packet the last three fields
 * are 0, 1, 0. Read the other way by the back-channel send: payload type
 * (low byte), marker (non-zero = set), timestamp increment. */
typedef struct STREAM_DATA_T {
    unsigned char *pData;
    uint32_t uiDataLen;
    uint32_t uiPayloadType;
    uint32_t uiMarker;
    uint32_t uiTimeStamp;
} STREAM_DATA_T;

/* Runs on a library thread; must return quickly and must not call the same
 * session back. The data is valid only during the call. Result ignored. */
typedef int (*pfnStreamDataCB)(int iMediaIndex, int iDataType, STREAM_DATA_T *pData, void *pUser);

#ifdef __cplusplus
}
#endif

#endif
