#pragma once
// Internal to the Linux platform layer: a private Xlib connection for queries SDL does not offer
// (window attributes of other programs' windows, root-window properties, the GLX extension string),
// the process's X error handlers, and the watch on a host's window.
#include "platform/linux/HostWindow.h"

#include <X11/Xlib.h>

namespace System::Platform::Linux {

// Opened on first use, closed at process exit; null without a display. Opened before SDL and GTK
// start, so a server that dies under them can be told from a crash of our own.
Display* x11Connection();

// Installs the process's X handlers (Xlib keeps one of each for all connections; SDL and GTK put in
// their own when they start, so this runs again after them):
// - a lost connection (the server died) ends the process at once with a line on stderr and status 1;
//   nothing may touch X after that, so exit-time clean-up is skipped;
// - an X error outside an X11ErrorTrap is noted, not fatal: a host's window can vanish between any
//   two requests.
// - a crash while the server is gone (inside a library that reads its replies through xcb) is the
//   same lost connection: the line, status 1.
// A toolkit with its own error traps (GTK) keeps its error handler: pass false after it started.
void installX11Handlers(bool errorHandler = true);

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

// Watches a window of another program (the host's) for its destruction, on the private connection.
// False when it does not exist (any more).
bool watchHostWindow(Window window);
// hostWindowDestroyed() (HostWindow.h): true once it has been destroyed; reads only events already
// sent, never blocks.

// Follows a window's map state and whether it is wholly covered (VisibilityNotify), on the private
// connection: our own display window or a host's. A compositing manager reports every window as
// unobscured, which is right there: it keeps the pixels.
void watchVisibility(Window window);
void forgetVisibility(Window window);
// False while the window is unmapped or wholly covered, as the server last said; true for a window
// not watched. Reads only events already sent, never blocks.
bool windowShown(Window window);

} // namespace System::Platform::Linux
