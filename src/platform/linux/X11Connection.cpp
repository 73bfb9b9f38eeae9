// Linux (X11) platform layer: the private Xlib connection, the process's X error handlers and the
// watch on a host's window. Depends on: Xlib, POSIX.
#include "platform/linux/X11Connection.h"

#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>

namespace System::Platform::Linux {

namespace {

Display* g_display = nullptr;
int g_connectionFd = -1;
char g_displayName[256] = "";  // kept for the crash path, which may not call Xlib
bool g_tried = false;
Window g_host = 0;
bool g_hostDestroyed = false;

struct WatchedWindow {
    long mask = 0;             // what the private connection selects on it
    bool mapped = true;
    bool whollyCovered = false;
    bool visibilityWatched = false;
};
std::map<Window, WatchedWindow>& watched()
{
    static std::map<Window, WatchedWindow> table;
    return table;
}

// XSelectInput replaces this client's mask on the window, so every watch adds to the one mask.
void selectOn(Display* display, Window window, long mask)
{
    WatchedWindow& entry = watched()[window];
    entry.mask |= mask;
    XSelectInput(display, window, entry.mask);
}

void readEvents()
{
    if (!g_display)
        return;
    while (XEventsQueued(g_display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(g_display, &event);
        const Window window = event.xany.window;
        if (event.type == DestroyNotify && event.xdestroywindow.window == g_host)
            g_hostDestroyed = true;
        auto found = watched().find(event.type == MapNotify     ? event.xmap.window
                                    : event.type == UnmapNotify ? event.xunmap.window
                                                                : window);
        if (found == watched().end())
            continue;
        if (event.type == MapNotify)
            found->second.mapped = true;
        else if (event.type == UnmapNotify)
            found->second.mapped = false;
        else if (event.type == VisibilityNotify)
            found->second.whollyCovered = event.xvisibility.state == VisibilityFullyObscured;
    }
}

void closeConnection()
{
    g_connectionFd = -1;
    if (g_display)
        XCloseDisplay(g_display);
    g_display = nullptr;
}

void writeAll(const char* text)
{
    std::size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t put = ::write(2, text, length);
        if (put <= 0)
            return;
        text += put;
        length -= static_cast<std::size_t>(put);
    }
}

// Xlib calls this when a connection breaks and ends the process if it returns. Exit-time handlers
// (SDL_Quit, closing the connection, freeing GCs) would talk to the dead connection and spin or crash
// in Xlib, so the process ends here with _exit; only async-signal-safe calls.
int connectionLost(Display* display)
{
    const char* name = display ? DisplayString(display) : nullptr;
    writeAll("fernhollow: lost the connection to the X display ");
    writeAll(name && *name ? name : "(unknown)");
    writeAll(" (the X server ended or closed it)\n");
    ::_exit(1);
}

int g_trappedError = 0;
bool g_trapping = false;
unsigned long g_untrappedErrors = 0;

int noteError(Display*, XErrorEvent* error)
{
    if (g_trapping) {
        if (!g_trappedError)
            g_trappedError = error->error_code;
    } else {
        ++g_untrappedErrors;
    }
    return 0;
}

} // namespace

// Libraries that talk to the server through xcb directly (the GL driver choosing a visual, GTK
// starting) do not call the handler above when it goes away; some of them dereference the missing
// reply and crash. A crash while the private connection shows the server gone is that loss, reported
// as such; any other crash keeps its default action (and its core).
// A dying server's sockets close one after another, so ours may lag the library's by a moment: it is
// given a quarter of a second to show the hang-up.
bool serverGone()
{
    if (g_connectionFd < 0)
        return false;
    timespec start{}, now{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    do {
        pollfd watch{g_connectionFd, POLLRDHUP, 0};
        if (::poll(&watch, 1, 50) > 0 && (watch.revents & (POLLHUP | POLLRDHUP | POLLERR)))
            return true;
        clock_gettime(CLOCK_MONOTONIC, &now);
    } while ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 < 250);
    return false;
}

void onCrash(int number)
{
    if (serverGone()) {
        writeAll("fernhollow: lost the connection to the X display ");
        writeAll(g_displayName);
        writeAll(" (the X server ended or closed it)\n");
        ::_exit(1);
    }
    ::signal(number, SIG_DFL);  // returning repeats the fault, now with its default action
}

void installCrashGuard()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    struct sigaction action = {};
    action.sa_handler = onCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_NODEFER;
    for (int number : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE})
        sigaction(number, &action, nullptr);
}

bool g_toolkitErrors = false;

void installX11Handlers(bool errorHandler)
{
    installCrashGuard();
    XSetIOErrorHandler(connectionLost);
    if (!errorHandler)
        g_toolkitErrors = true;
    if (!g_toolkitErrors)
        XSetErrorHandler(noteError);
}

Display* x11Connection()
{
    if (!g_tried) {
        g_tried = true;
        installX11Handlers();  // before the open, so a server that dies at once is caught too
        const char* name = std::getenv("DISPLAY");
        if (name && *name)
            g_display = XOpenDisplay(nullptr);
        if (g_display) {
            g_connectionFd = ConnectionNumber(g_display);
            std::snprintf(g_displayName, sizeof g_displayName, "%s", DisplayString(g_display));
            std::atexit(closeConnection);
        }
    }
    return g_display;
}

X11ErrorTrap::X11ErrorTrap(Display* display) : display(display)
{
    XSync(display, False);  // errors of earlier requests are not ours
    g_trappedError = 0;
    previous = XSetErrorHandler(noteError);
    g_trapping = true;
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(display, False);
    g_trapping = false;
    XSetErrorHandler(previous);
}

bool X11ErrorTrap::ok()
{
    XSync(display, False);
    bool fine = g_trappedError == 0;
    g_trappedError = 0;
    return fine;
}

bool watchHostWindow(Window window)
{
    Display* display = x11Connection();
    if (!display || !window)
        return false;
    g_host = window;
    g_hostDestroyed = false;
    X11ErrorTrap trap(display);
    // Selected first, then checked: a window destroyed in between is either reported by the check or
    // by its DestroyNotify, never missed.
    selectOn(display, window, StructureNotifyMask);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || !trap.ok()) {
        g_hostDestroyed = true;
        return false;
    }
    return true;
}

bool hostWindowDestroyed()
{
    if (!g_host || g_hostDestroyed || !g_display)
        return g_hostDestroyed;
    readEvents();
    return g_hostDestroyed;
}

void watchVisibility(Window window)
{
    Display* display = x11Connection();
    if (!display || !window)
        return;
    X11ErrorTrap trap(display);
    // Selected before the map state is read, so a change in between is not missed.
    selectOn(display, window, StructureNotifyMask | VisibilityChangeMask);
    XWindowAttributes attributes;
    WatchedWindow& entry = watched()[window];
    entry.visibilityWatched = true;
    if (XGetWindowAttributes(display, window, &attributes) && trap.ok())
        entry.mapped = attributes.map_state != IsUnmapped;
}

void forgetVisibility(Window window)
{
    auto found = watched().find(window);
    if (found != watched().end())
        found->second.visibilityWatched = false;
}

bool windowShown(Window window)
{
    readEvents();
    auto found = watched().find(window);
    if (found == watched().end() || !found->second.visibilityWatched)
        return true;
    return found->second.mapped && !found->second.whollyCovered;
}

} // namespace System::Platform::Linux
