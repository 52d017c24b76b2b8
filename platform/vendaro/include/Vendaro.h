/*
 * Vendaro: the player layer. Decodes live streams and saved files and draws
 * them into Qt widgets.
 *
 * Ports: Mavro_GetPort hands out a port (0 is a valid port). Every other call
 * takes a port; on a port that is not handed out it fails with
 * MAVRO_ERR_INVALID_PORT and changes nothing. Calls with a success flag return
 * non-zero on success and zero on failure; Mavro_GetLastError(port) then tells
 * why.
 *
 * Threads: every call may be made from any thread and returns without waiting
 * for decoding or drawing. Callbacks run on the layer's own threads, never
 * inside a Mavro_* call and never while the layer holds a lock, so they may
 * call back into the layer. Once Mavro_FreePort returns, no callback runs for
 * that port any more.
 *
 * Drawing: the window given to Mavro_Play is the WId of a QWidget of the
 * calling process (QWidget::winId()). While a port plays into it, the layer
 * paints that widget's area with the video; mouse and key events stay with the
 * widget. A window of 0 decodes without drawing.
 */
#ifndef VENDARO_H
#define VENDARO_H

#include <stdint.h>

#if defined(VENDARO_BUILDING)
#define MAVRO_API __attribute__((visibility("default")))
#else
#define MAVRO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Window handle: a QWidget's WId. */
typedef uintptr_t MAVRO_HWND;

/* Error codes of Mavro_GetLastError. */
enum {
    MAVRO_NOERROR = 0,
    MAVRO_ERR_INVALID_PORT = 1,    /* port not handed out, or already freed */
    MAVRO_ERR_PARAMETER = 2,       /* null pointer, value out of range */
    MAVRO_ERR_ORDER = 3,           /* call not valid in the port's state */
    MAVRO_ERR_NO_FREE_PORT = 4,    /* pool exhausted */
    MAVRO_ERR_OPEN_FILE = 5,       /* file missing or unreadable */
    MAVRO_ERR_UNKNOWN_FORMAT = 6,  /* content is no container we read */
    MAVRO_ERR_NO_VIDEO = 7,        /* no decodable video stream */
    MAVRO_ERR_BUFFER_FULL = 8,     /* input buffer full: feed again later */
    MAVRO_ERR_INDEX_NOT_READY = 9, /* frame index not built yet */
    MAVRO_ERR_LIMIT = 10,          /* speed or step beyond its limit */
    MAVRO_ERR_NO_SOUND = 11,       /* no audio track or no sound device */
    MAVRO_ERR_INVALID_WINDOW = 12, /* window is not a widget of this process */
    MAVRO_ERR_RESOURCE = 13,       /* out of memory or threads */
    MAVRO_ERR_NO_LIBRARY = 14      /* import library only: libvendaro.so could not be loaded */
};

/* Stream open modes of Mavro_SetStreamOpenMode. */
enum {
    MAVRO_STREAM_REALTIME = 0, /* live: pictures are shown as soon as they are decoded */
    MAVRO_STREAM_FILE = 1      /* a stored stream pushed in: decoded and shown the same way */
};

/* Header types of MAVRO_SESSION_INFO. */
enum { MAVRO_SESSION_HEADER = 1 };

/* The stream's session header: the device's stream header (MPEG-TS follows)
 * or SDP text (whole RTP packets follow). Copied during the call. */
typedef struct
{
    int32_t type;
    int32_t length;
    const void* data;
} MAVRO_SESSION_INFO;

typedef void (*MAVRO_FILE_END_CALLBACK)(long port, void* user);
typedef void (*MAVRO_FILE_REF_CALLBACK)(long port, void* user);

/* Ports */
MAVRO_API int Mavro_SetPortPoolSize(unsigned int count); /* 1..1024; default 64 */
MAVRO_API int Mavro_GetPort(long* port);
MAVRO_API int Mavro_FreePort(long port);
MAVRO_API unsigned int Mavro_GetLastError(long port);

/* Stream mode. The protocol type of Mavro_OpenStreamAdvanced is not used:
 * the header's content tells the transport. The buffer pool size is the
 * input buffer's: 0 means 6 MiB, others are held between 256 KiB and 256 MiB. */
MAVRO_API int Mavro_SetStreamOpenMode(long port, unsigned int mode);
MAVRO_API int Mavro_OpenStreamAdvanced(long port, int protocolType, const MAVRO_SESSION_INFO* info,
                                       unsigned int bufferPoolSize);
MAVRO_API int Mavro_CloseStream(long port);
/* Copies the block and returns at once; 0 with MAVRO_ERR_BUFFER_FULL when the
 * input buffer has no room for it. */
MAVRO_API int Mavro_InputData(long port, const unsigned char* data, unsigned int length);

/* File mode */
MAVRO_API int Mavro_OpenFile(long port, const char* path);
MAVRO_API int Mavro_CloseFile(long port);
MAVRO_API int Mavro_SetFileRefCallBack(long port, MAVRO_FILE_REF_CALLBACK callback, void* user);
MAVRO_API int Mavro_SetFileEndCallback(long port, MAVRO_FILE_END_CALLBACK callback, void* user);

/* Playing (both modes) */
MAVRO_API int Mavro_Play(long port, MAVRO_HWND window);
MAVRO_API int Mavro_Stop(long port);
MAVRO_API int Mavro_Pause(long port, unsigned int pause);

/* File playing: speed moves one power of two per call between 1/16 and 16. */
MAVRO_API int Mavro_Fast(long port);
MAVRO_API int Mavro_Slow(long port);
MAVRO_API int Mavro_OneByOne(long port);
MAVRO_API int Mavro_OneByOneBack(long port);
MAVRO_API int Mavro_SetPlayedTimeEx(long port, unsigned int milliseconds);
MAVRO_API int Mavro_SetPlayPos(long port, float position);
MAVRO_API float Mavro_GetPlayPos(long port);
MAVRO_API unsigned int Mavro_GetFileTime(long port); /* seconds */
MAVRO_API int Mavro_GetPlayedTime(long port);        /* seconds, -1 unknown */
MAVRO_API int Mavro_GetPlayedTimeEx(long port);      /* milliseconds, -1 unknown */
MAVRO_API unsigned int Mavro_GetFileTotalFrames(long port);
MAVRO_API unsigned int Mavro_GetCurrentFrameNum(long port);

/* Sound of a file's first audio track, on the ALSA device named by the
 * environment variable MAVRO_SOUND_DEVICE, else "default". Only normal-speed
 * play is heard. Fails with MAVRO_ERR_NO_SOUND when there is no audio track,
 * no usable device, or the port plays a live stream. */
MAVRO_API int Mavro_PlaySoundShare(long port);
MAVRO_API int Mavro_StopSoundShare(long port);

/* Test hooks: picture and sound counters since the stream or file was opened, and the
 * last decoded frame as 32-bit pixels (B, G, R, 255 in memory; the layout of
 * QImage::Format_RGB32). With a null buffer, only the size is reported. */
MAVRO_API unsigned int Mavro_GetDecodedFrameCount(long port);
MAVRO_API unsigned int Mavro_GetShownFrameCount(long port);
MAVRO_API unsigned int Mavro_GetPlayedSoundFrameCount(long port); /* sample frames written to the device */
MAVRO_API int Mavro_GetLastFrameImage(long port, unsigned char* buffer, unsigned int bufferSize, int* width,
                                      int* height);

#ifdef __cplusplus
}
#endif

#endif /* VENDARO_H */
