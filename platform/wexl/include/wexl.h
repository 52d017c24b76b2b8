/*
 * Wexl: the printf-style log entry of Pellmar, written through spdlog to a
 * rotating file and to standard error.
 *
 * Levels: 0 trace, 1 debug, 2 information, 3 and 4 warning, 5 error,
 * 6 and above critical (Pellmar uses 6 for failed allocations).
 * The file is "PellmarLogs/Pellmar.log" under the directory named by the
 * environment variable CORVANE_APP_DIR, else under the program's directory,
 * unless Wexl_SetLogFile chose another one. Every line is flushed.
 * Safe to call from any thread, also before and after everything else.
 */
#ifndef WEXL_H
#define WEXL_H

#include <stdarg.h>

#include "wexl_export.h"

#ifdef __cplusplus
extern "C" {
#endif

#define WEXL_LEVEL_INFO 2
#define WEXL_LEVEL_ERROR 5
#define WEXL_LEVEL_ALLOC 6

WEXL_API void Wexl_Log(int level, const char* module, const char* format, ...) __attribute__((format(printf, 3, 4)));
WEXL_API void Wexl_LogV(int level, const char* module, const char* format, va_list arguments)
    __attribute__((format(printf, 3, 0)));
/* Sends later lines to `path` (folders are created); 0 on success, -1 when
 * the file cannot be opened, in which case the previous file stays. */
WEXL_API int Wexl_SetLogFile(const char* path);
/* Lines below `level` are dropped everywhere (default: 0, nothing dropped);
 * a level above 6 drops every line. */
WEXL_API void Wexl_SetLevel(int level);
/* Standard error gets lines at `level` and above (default: 2). */
WEXL_API void Wexl_SetStderrLevel(int level);

#ifdef __cplusplus
}
#endif

#endif
