#pragma once
// Log lines of the transport layer. Socket and queue failures carry the
// runtime's last system error code, so the line says why the call failed.
#include "common/PellmarLog.h"
#include "zmr.h"

#define TRANSPORT_LOG_ERROR_IN(function, format, ...)                                                                  \
    Wexl_Log(WEXL_LEVEL_ERROR, PELLMAR_LOG_MODULE, "[%s(%d)] [0x%08x] - " format, function, __LINE__,                  \
             static_cast<unsigned int>(ZMR_GetSystemLastError()), ##__VA_ARGS__)
#define TRANSPORT_LOG_ERROR(format, ...) TRANSPORT_LOG_ERROR_IN(__FUNCTION__, format, ##__VA_ARGS__)
#define TRANSPORT_LOG_INFO(format, ...) PELLMAR_LOG_INFO(format, ##__VA_ARGS__)
