#ifndef PELLMAR_PELLMARLOG_H
#define PELLMAR_PELLMARLOG_H

#include "wexl.h"

// Every line of the library goes through the Wexl entry under the module
// "PELLMAR". Error lines carry the code of their site; information lines
// only the function and line.
#define PELLMAR_LOG_MODULE "PELLMAR"

#define PELLMAR_LOG_INFO(format, ...)                                                                                  \
    Wexl_Log(WEXL_LEVEL_INFO, PELLMAR_LOG_MODULE, "[%s(%d)] - " format, __FUNCTION__, __LINE__, ##__VA_ARGS__)

#define PELLMAR_LOG_ERROR(code, format, ...)                                                                           \
    Wexl_Log(WEXL_LEVEL_ERROR, PELLMAR_LOG_MODULE, "[%s(%d)] [0x%08x] - " format, __FUNCTION__, __LINE__,              \
             static_cast<unsigned int>(code), ##__VA_ARGS__)

#define PELLMAR_LOG_ALLOC(code, format, ...)                                                                           \
    Wexl_Log(WEXL_LEVEL_ALLOC, PELLMAR_LOG_MODULE, "[%s(%d)] [0x%08x] - " format, __FUNCTION__, __LINE__,              \
             static_cast<unsigned int>(code), ##__VA_ARGS__)

// Log codes of the library's own sites (never returned to callers).
namespace pellmar_log {
constexpr unsigned int kExport = 0x02230800;
constexpr unsigned int kBadArgument = 0x02230811;
constexpr unsigned int kRsaKey = 0x0223082D;
constexpr unsigned int kMessage = 0x02230840;
constexpr unsigned int kSdp = 0x02230850;
constexpr unsigned int kAuth = 0x02230860;
constexpr unsigned int kPortPool = 0x02230870;
constexpr unsigned int kTrace = 0x02230880;
constexpr unsigned int kUri = 0x02230890;
} // namespace pellmar_log

#endif
