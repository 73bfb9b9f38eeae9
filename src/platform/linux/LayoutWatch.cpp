// Linux (X11) platform layer: the watch on the drawn-into window's size and the screen's layout: its
// size (ConfigureNotify of the root) and, where the server has RandR, its monitors (a CRTC or output
// changed: a monitor plugged, unplugged or set to another mode, also when the screen keeps its size).
// Depends on: Xlib, Xrandr.
#include "platform/linux/LayoutWatch.h"

#include "platform/linux/X11Connection.h"

#include <X11/extensions/Xrandr.h>

#include <cstdlib>

namespace System::Platform::Linux {

namespace {

Display* g_display = nullptr;
Window g_window = 0;
Window g_root = 0;
int g_width = 0, g_height = 0;          // the watched window's last size
int g_rootWidth = 0, g_rootHeight = 0;  // the screen's last size
int g_randrEvents = -1;                 // the server's first RandR event, -1 without RandR

void closeWatch()
{
    if (g_display)
        XCloseDisplay(g_display);
    g_display = nullptr;
}

bool sizeOf(Window window, int& width, int& height)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(g_display, window, &attributes))
        return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

// Notes a new size; true when it differs from the last one.
bool noteSize(int width, int height, int& lastWidth, int& lastHeight)
{
    if (width == lastWidth && height == lastHeight)
        return false;
    lastWidth = width;
    lastHeight = height;
    return true;
}

} // namespace

bool watchLayout(Window window)
{
    if (!window || !x11Connection())
        return false;
    if (!g_display) {
        g_display = XOpenDisplay(nullptr);
        if (!g_display)
            return false;
        std::atexit(closeWatch);
    }
    g_root = DefaultRootWindow(g_display);
    X11ErrorTrap trap(g_display);
    // Selected first, then read: a change in between is in the size read or in its event.
    XSelectInput(g_display, window, StructureNotifyMask);
    if (window != g_root)
        XSelectInput(g_display, g_root, StructureNotifyMask);
    if (g_randrEvents < 0) {
        // CRTC and output events need RandR 1.2.
        int errors = 0, major = 0, minor = 0;
        if (XRRQueryExtension(g_display, &g_randrEvents, &errors) && XRRQueryVersion(g_display, &major, &minor) &&
            (major > 1 || minor >= 2))
            XRRSelectInput(g_display, g_root,
                           RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
        else
            g_randrEvents = -1;
    }
    if (!sizeOf(window, g_width, g_height) || !sizeOf(g_root, g_rootWidth, g_rootHeight) || !trap.ok()) {
        g_window = 0;
        return false;
    }
    g_window = window;
    return true;
}

bool layoutChanged()
{
    if (!g_display || !g_window)
        return false;
    bool changed = false;
    while (XEventsQueued(g_display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(g_display, &event);
        if (g_randrEvents >= 0 &&
            (event.type == g_randrEvents + RRScreenChangeNotify || event.type == g_randrEvents + RRNotify)) {
            XRRUpdateConfiguration(&event);
            changed = true;
            continue;
        }
        if (event.type != ConfigureNotify)
            continue;
        const XConfigureEvent& configure = event.xconfigure;
        if (configure.window == g_window && noteSize(configure.width, configure.height, g_width, g_height))
            changed = true;
        if (configure.window == g_root &&
            noteSize(configure.width, configure.height, g_rootWidth, g_rootHeight))
            changed = true;
    }
    return changed;
}

} // namespace System::Platform::Linux
