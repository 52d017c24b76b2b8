#pragma once
// Draws a real play into a native window through one port of the player layer.
// Opening happens in TSR_RealPlay; the receive thread then feeds it. Neither
// waits for the GUI thread: the player looks the window up and draws on the GUI
// thread by itself, and feeding copies the block and returns at once, so a slow
// window cannot hold the stream up.

#include "tessoran.h"

#include <cstdint>

namespace tessoran {

class WindowPlayer
{
public:
    explicit WindowPlayer(TSR_HWND window) : window_(window) { }
    ~WindowPlayer();
    WindowPlayer(const WindowPlayer&) = delete;
    WindowPlayer& operator=(const WindowPlayer&) = delete;

    // Takes a port, opens its stream with the stream header and starts drawing;
    // false when the window cannot be drawn into.
    bool openStream(const uint8_t* header, uint32_t size);
    // False when the player's buffer is full: the block is dropped and live video
    // goes on with the next.
    bool input(const uint8_t* data, uint32_t size);

private:
    const TSR_HWND window_;
    long port_ = -1;
};

} // namespace tessoran
