#pragma once
// Every function of Vendaro.h, once: X(return type, name, value returned when
// the library cannot be loaded, (parameters), (arguments)). The import library
// makes its trampolines from this list; a function added to the header and not
// here is missing from programs that link the import library.

#include "Vendaro.h"

#define VENDARO_FUNCTIONS(X)                                                                                           \
    X(int, Mavro_SetPortPoolSize, 0, (unsigned int count), (count))                                                    \
    X(int, Mavro_GetPort, 0, (long* port), (port))                                                                     \
    X(int, Mavro_FreePort, 0, (long port), (port))                                                                     \
    X(unsigned int, Mavro_GetLastError, MAVRO_ERR_NO_LIBRARY, (long port), (port))                                     \
    X(int, Mavro_SetStreamOpenMode, 0, (long port, unsigned int mode), (port, mode))                                   \
    X(int, Mavro_OpenStreamAdvanced, 0,                                                                                \
      (long port, int protocolType, const MAVRO_SESSION_INFO* info, unsigned int bufferPoolSize),                      \
      (port, protocolType, info, bufferPoolSize))                                                                      \
    X(int, Mavro_CloseStream, 0, (long port), (port))                                                                  \
    X(int, Mavro_InputData, 0, (long port, const unsigned char* data, unsigned int length), (port, data, length))      \
    X(int, Mavro_OpenFile, 0, (long port, const char* path), (port, path))                                             \
    X(int, Mavro_CloseFile, 0, (long port), (port))                                                                    \
    X(int, Mavro_SetFileRefCallBack, 0, (long port, MAVRO_FILE_REF_CALLBACK callback, void* user),                     \
      (port, callback, user))                                                                                          \
    X(int, Mavro_SetFileEndCallback, 0, (long port, MAVRO_FILE_END_CALLBACK callback, void* user),                     \
      (port, callback, user))                                                                                          \
    X(int, Mavro_Play, 0, (long port, MAVRO_HWND window), (port, window))                                              \
    X(int, Mavro_Stop, 0, (long port), (port))                                                                         \
    X(int, Mavro_Pause, 0, (long port, unsigned int pause), (port, pause))                                             \
    X(int, Mavro_Fast, 0, (long port), (port))                                                                         \
    X(int, Mavro_Slow, 0, (long port), (port))                                                                         \
    X(int, Mavro_OneByOne, 0, (long port), (port))                                                                     \
    X(int, Mavro_OneByOneBack, 0, (long port), (port))                                                                 \
    X(int, Mavro_SetPlayedTimeEx, 0, (long port, unsigned int milliseconds), (port, milliseconds))                     \
    X(int, Mavro_SetPlayPos, 0, (long port, float position), (port, position))                                         \
    X(float, Mavro_GetPlayPos, 0.0f, (long port), (port))                                                              \
    X(unsigned int, Mavro_GetFileTime, 0u, (long port), (port))                                                        \
    X(int, Mavro_GetPlayedTime, -1, (long port), (port))                                                               \
    X(int, Mavro_GetPlayedTimeEx, -1, (long port), (port))                                                             \
    X(unsigned int, Mavro_GetFileTotalFrames, 0u, (long port), (port))                                                 \
    X(unsigned int, Mavro_GetCurrentFrameNum, 0u, (long port), (port))                                                 \
    X(int, Mavro_PlaySoundShare, 0, (long port), (port))                                                               \
    X(int, Mavro_StopSoundShare, 0, (long port), (port))                                                               \
    X(unsigned int, Mavro_GetDecodedFrameCount, 0u, (long port), (port))                                               \
    X(unsigned int, Mavro_GetShownFrameCount, 0u, (long port), (port))                                                 \
    X(unsigned int, Mavro_GetPlayedSoundFrameCount, 0u, (long port), (port))                                           \
    X(int, Mavro_GetLastFrameImage, 0,                                                                                 \
      (long port, unsigned char* buffer, unsigned int bufferSize, int* width, int* height),                            \
      (port, buffer, bufferSize, width, height))
