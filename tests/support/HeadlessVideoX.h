#pragma once
// Without a display, SDL's windows come from its offscreen driver, asked for by name: the engine
// refuses a driver that shows nothing when nobody asked for it.
#include <cstdlib>

inline void UseOffscreenVideoWithoutDisplay() {
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
}
