#pragma once
// Internal to the Linux platform layer: the full-screen mode asked for by changeDisplayMode and the
// full-screen windows that hold it, so restoreDisplayMode can put the desktop back.
#include <SDL.h>

namespace System::Platform::Linux {

bool pendingFullScreenMode(SDL_DisplayMode& mode);
void noteFullScreenWindow(SDL_Window* window);
void forgetFullScreenWindow(SDL_Window* window);

} // namespace System::Platform::Linux
