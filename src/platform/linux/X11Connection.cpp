// Linux (X11) platform layer: the private Xlib connection. X errors raised by queries about windows
// that may vanish at any moment (a host's window) are swallowed instead of ending the process.
// Depends on: Xlib.
#include "platform/linux/X11Connection.h"

#include <cstdlib>

namespace System::Platform::Linux {

namespace {

Display* g_display = nullptr;
bool g_tried = false;

void closeConnection()
{
    if (g_display)
        XCloseDisplay(g_display);
    g_display = nullptr;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

int g_trappedError = 0;

int recordError(Display*, XErrorEvent* error)
{
    if (!g_trappedError)
        g_trappedError = error->error_code;
    return 0;
}

} // namespace

Display* x11Connection()
{
    if (!g_tried) {
        g_tried = true;
        const char* name = std::getenv("DISPLAY");
        if (name && *name)
            g_display = XOpenDisplay(nullptr);
        if (g_display) {
            XSetErrorHandler(ignoreErrors);
            std::atexit(closeConnection);
        }
    }
    return g_display;
}

X11ErrorTrap::X11ErrorTrap(Display* display) : display(display)
{
    XSync(display, False);  // errors of earlier requests are not ours
    g_trappedError = 0;
    previous = XSetErrorHandler(recordError);
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(display, False);
    XSetErrorHandler(previous);
}

bool X11ErrorTrap::ok()
{
    XSync(display, False);
    bool fine = g_trappedError == 0;
    g_trappedError = 0;
    return fine;
}

} // namespace System::Platform::Linux
