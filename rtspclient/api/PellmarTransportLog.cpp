#include "rtp/PellmarTransportLog.h"

#include <cstdarg>

#include "rtsp/PellmarLog.h"

void PellmarTransportLog(int level, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Wexl_LogV(level, PELLMAR_LOG_MODULE, format, arguments);
    va_end(arguments);
}
