#include "WindowPlayer.h"

#include "Log.h"

#include <Vendaro.h>

namespace tessoran {
namespace {

constexpr unsigned int kPlayerBufferBytes = 6u << 20;

// One player port drawing into the window. The port is taken and opened on the
// receive thread; the player copies each block and returns at once, so the GUI
// thread never holds the stream up and the stream never waits for the GUI.
class VendaroWindowPlayer : public WindowPlayer {
public:
  explicit VendaroWindowPlayer(TSR_HWND window) : window_(window) {}
  ~VendaroWindowPlayer() override {
    if (port_ >= 0) Mavro_FreePort(port_);
  }

  bool openStream(const uint8_t* header, uint32_t size) override {
    if (port_ < 0 && !Mavro_GetPort(&port_)) {
      sdkLog().warn("no player port for window {:#x}", window_);
      port_ = -1;
      return false;
    }
    MAVRO_SESSION_INFO info{MAVRO_SESSION_HEADER, static_cast<int32_t>(size), header};
    if (!Mavro_SetStreamOpenMode(port_, MAVRO_STREAM_REALTIME) ||
        !Mavro_OpenStreamAdvanced(port_, 1, &info, kPlayerBufferBytes) ||
        !Mavro_Play(port_, static_cast<MAVRO_HWND>(window_))) {
      sdkLog().warn("player cannot draw into window {:#x}: error {}", window_,
                    Mavro_GetLastError(port_));
      return false;
    }
    return true;
  }

  // A full player buffer drops the block: live video goes on with the next.
  bool input(const uint8_t* data, uint32_t size) override {
    return Mavro_InputData(port_, data, size) != 0;
  }

private:
  const TSR_HWND window_;
  long port_ = -1;
};

}  // namespace

std::unique_ptr<WindowPlayer> WindowPlayer::create(TSR_HWND window) {
  return std::make_unique<VendaroWindowPlayer>(window);
}

}  // namespace tessoran
