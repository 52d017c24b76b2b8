#include "WindowPlayer.h"

namespace tessoran {

// This build has no player layer: a window play fails with TSR_ERR_NO_PLAYER
// rather than pretending to draw.
std::unique_ptr<WindowPlayer> WindowPlayer::create(TSR_HWND) { return nullptr; }

}  // namespace tessoran
