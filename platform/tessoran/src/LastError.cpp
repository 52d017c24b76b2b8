#include "LastError.h"

#include "tessoran.h"

namespace tessoran {
namespace {
thread_local uint32_t t_lastError = TSR_ERR_NONE;
}

void setLastError(uint32_t code)
{
    t_lastError = code;
}

uint32_t lastError()
{
    return t_lastError;
}

const char* errorText(uint32_t code)
{
    switch (code) {
    case TSR_ERR_NONE: return "no error";
    case TSR_ERR_NOT_INITIALISED: return "the SDK is not initialised";
    case TSR_ERR_INVALID_ARGUMENT: return "invalid argument";
    case TSR_ERR_INVALID_HANDLE: return "unknown login ID or handle";
    case TSR_ERR_CONNECT_FAILED: return "cannot connect to the device";
    case TSR_ERR_CONNECT_TIMEOUT: return "connecting to the device timed out";
    case TSR_ERR_REPLY_TIMEOUT: return "the device did not answer in time";
    case TSR_ERR_CONNECTION_LOST: return "the connection to the device was lost";
    case TSR_ERR_PROTOCOL: return "the device sent a malformed or unexpected frame";
    case TSR_ERR_BAD_CREDENTIALS: return "user name or password wrong";
    case TSR_ERR_LOGIN_REFUSED: return "the device refuses logins";
    case TSR_ERR_UNSUPPORTED: return "not supported";
    case TSR_ERR_BUFFER_TOO_SMALL: return "buffer too small";
    case TSR_ERR_NO_VIDEO: return "no recording in the requested range";
    case TSR_ERR_FILE: return "cannot write the target file";
    case TSR_ERR_LISTEN: return "cannot listen on the address";
    case TSR_ERR_NO_PLAYER: return "drawing into a window is not available";
    case TSR_ERR_CHANNEL: return "the device has no such channel";
    case TSR_ERR_RESOURCES: return "out of resources";
    case TSR_ERR_DEVICE_OFFLINE: return "the device is offline";
    case TSR_ERR_ORDER: return "call made in the wrong state";
    default: return "unknown error";
    }
}

} // namespace tessoran
