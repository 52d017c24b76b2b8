#ifndef RTSP_MEDIA_DESC_T_H
#define RTSP_MEDIA_DESC_T_H
/* The media description record the data callback receives once per track
 * (data type 10). It holds no pointers, so its layout is the same on every
 * build: 1612 bytes, little-endian integers, texts zero-terminated. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RTSP_MEDIA_MAX_FORMATS 4
#define RTSP_MEDIA_HEADER_MAX 256

typedef struct RTSP_MEDIA_FORMAT_T {
    int32_t iPayloadType;
    int32_t iClockRate;
    char szEncodingName[32];   /* at most 31 characters */
    char szEncodingParams[32]; /* at most 31 */
    char szFmtp[256];          /* the "a=fmtp" parameters, at most 255 */
} RTSP_MEDIA_FORMAT_T;

typedef struct RTSP_MEDIA_DESC_T {
    char szMediaType[32];                       /* such as "video", at most 31 */
    uint8_t byMediaHeader[RTSP_MEDIA_HEADER_MAX]; /* the media-info header */
    int32_t iMediaHeaderLen;                    /* 0 when longer than 256 */
    RTSP_MEDIA_FORMAT_T stFormats[RTSP_MEDIA_MAX_FORMATS];
    int32_t iFormatCount;
    int32_t iSkip; /* 0 on delivery; the callback sets 1 to leave the track out of SETUP */
} RTSP_MEDIA_DESC_T;

#ifdef __cplusplus
}

#include <cstddef>
static_assert(sizeof(RTSP_MEDIA_FORMAT_T) == 328, "format entry layout");
static_assert(sizeof(RTSP_MEDIA_DESC_T) == 1612, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, byMediaHeader) == 32, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, iMediaHeaderLen) == 288, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, stFormats) == 292, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, iFormatCount) == 1604, "media description layout");
static_assert(offsetof(RTSP_MEDIA_DESC_T, iSkip) == 1608, "media description layout");
#endif

#endif
