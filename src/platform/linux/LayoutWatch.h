#pragma once
// Internal to the Linux platform layer: whether the window drawn into was resized or the screen
// changed size (a RandR change resizes the root window), from ConfigureNotify events read on an Xlib
// connection of this watch's own, so no other reader takes its events and it takes none of theirs.
// Limits: one watched window per process; a new layout of the monitors that keeps the screen's size
// is not seen.
#include <X11/Xlib.h>

namespace System::Platform::Linux {

// Starts watching window (the root window too: the screen's size). False when the display cannot be
// opened or the window does not exist.
bool watchLayout(Window window);
// True once after the watched window's size or the screen's size changed; reads only events already
// sent, never waits for the server.
bool layoutChanged();

} // namespace System::Platform::Linux
