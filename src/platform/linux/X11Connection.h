#pragma once
// Internal to the Linux platform layer: a private Xlib connection for queries SDL does not offer
// (window attributes of other programs' windows, root-window properties, the GLX extension string).
#include <X11/Xlib.h>

namespace System::Platform::Linux {

// Opened on first use, closed at process exit; null without a display.
Display* x11Connection();

// Catches the X errors that requests made on display while it lives raise (a window id that is not a
// window, a window that vanished), so a caller can tell failure from success.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to answer every request so far; false when one of them failed.
    bool ok();

private:
    Display* display;
    int (*previous)(Display*, XErrorEvent*);
};

} // namespace System::Platform::Linux
