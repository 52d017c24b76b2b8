#include "rtp/PellmarTransportLog.h"

#include <cstdarg>

#include "wexl.h"

void PellmarTransportLog(int level, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Wexl_LogV(level, "PELLMAR", format, arguments);
    va_end(arguments);
}
