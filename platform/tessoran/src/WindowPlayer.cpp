#include "WindowPlayer.h"

#include "Log.h"

#include <Vendaro.h>

namespace tessoran {
namespace {
constexpr unsigned int kPlayerBufferBytes = 6u << 20;
}

WindowPlayer::~WindowPlayer()
{
    if (port_ >= 0)
        Mavro_FreePort(port_);
}

bool WindowPlayer::openStream(const uint8_t* header, uint32_t size)
{
    if (port_ < 0 && !Mavro_GetPort(&port_)) {
        sdkLog().warn("no player port for window {:#x}", window_);
        port_ = -1;
        return false;
    }
    MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, static_cast<int32_t>(size), header};
    if (!Mavro_SetStreamOpenMode(port_, MAVRO_STREAM_REALTIME) ||
        !Mavro_OpenStreamAdvanced(port_, 1, &info, kPlayerBufferBytes) ||
        !Mavro_Play(port_, static_cast<MAVRO_HWND>(window_))) {
        sdkLog().warn("player cannot draw into window {:#x}: error {}", window_, Mavro_GetLastError(port_));
        return false;
    }
    return true;
}

bool WindowPlayer::input(const uint8_t* data, uint32_t size)
{
    return Mavro_InputData(port_, data, size) != 0;
}

} // namespace tessoran
