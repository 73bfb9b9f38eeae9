#pragma once
// Internal to the Linux platform layer: the SDL video subsystem, opened once per process.
#include <SDL.h>

#include <string>

namespace System::Platform::Linux {

// Opens the X11 display through SDL on first use. Never settles for SDL's invisible "offscreen" or
// "dummy" drivers: without a real display this fails and says why.
bool ensureVideo(std::string& error);
bool videoReady();

} // namespace System::Platform::Linux
