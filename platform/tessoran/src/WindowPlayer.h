#pragma once
// Draws a real play into a native window through the player layer. The receive
// thread feeds it; feeding copies and never blocks, so a slow window cannot hold
// the stream up.

#include "tessoran.h"

#include <cstdint>
#include <memory>

namespace tessoran {

class WindowPlayer {
public:
  static std::unique_ptr<WindowPlayer> create(TSR_HWND window);
  virtual ~WindowPlayer() = default;

  // Opens the player's stream with the stream header and starts drawing;
  // false when the window cannot be drawn into.
  virtual bool openStream(const uint8_t* header, uint32_t size) = 0;
  virtual bool input(const uint8_t* data, uint32_t size) = 0;
};

}  // namespace tessoran
