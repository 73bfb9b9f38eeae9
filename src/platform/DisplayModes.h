#pragma once
// Display modes of the primary display: list, current, switch, restore.
#include <string>

namespace System::Platform {

struct VideoMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int refreshRate = 0;  // Hz; 0 when unknown
};

// The index-th mode the primary display offers; false past the last one (or without a display).
bool enumDisplayMode(int index, VideoMode& mode);
// The desktop's current mode. False when no display can be opened or its mode cannot be read;
// lastDisplayModeError() then says why.
bool currentDisplayMode(VideoMode& mode);
std::string lastDisplayModeError();
// Asks for a full-screen mode of this size for the next full-screen window. False when the display
// offers no mode of that width and height (X11 cannot change the colour depth; it is recorded only).
bool changeDisplayMode(int width, int height, int bitsPerPixel);
// Back to the desktop's mode, if a mode was switched. Also runs at process exit.
void restoreDisplayMode();

} // namespace System::Platform
