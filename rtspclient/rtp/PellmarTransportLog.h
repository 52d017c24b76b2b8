#pragma once
// Log lines of the transport layer, in the library's two formats.
#include "zmr.h"

#define TRANSPORT_LOG_ERROR_IN(function, format, ...)                                                      \
    PellmarTransportLog(5, "[%s(%d)] [0x%08x] - " format, function, __LINE__, ZMR_GetSystemLastError(), \
                        ##__VA_ARGS__)
#define TRANSPORT_LOG_ERROR(format, ...) TRANSPORT_LOG_ERROR_IN(__FUNCTION__, format, ##__VA_ARGS__)
#define TRANSPORT_LOG_INFO(format, ...) PellmarTransportLog(2, "[%s(%d)] - " format, __FUNCTION__, __LINE__, ##__VA_ARGS__)

void PellmarTransportLog(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
