#pragma once
// Internal to the Linux platform layer: a private Xlib connection for queries SDL does not offer
// (window attributes of other programs' windows, root-window properties, the GLX extension string).
#include <X11/Xlib.h>

namespace System::Platform::Linux {

// Opened on first use, closed at process exit; null without a display.
Display* x11Connection();

} // namespace System::Platform::Linux
