// Linux (X11) platform layer: display modes of the primary display through SDL2 (XRandR underneath).
// A mode switch takes effect when the full-screen window is shown and is undone when it leaves full
// screen, is destroyed, or the process exits (SDL_Quit restores the desktop's mode). X11 cannot change
// the colour depth of a running server, so a requested depth is recorded but not switched.
// "Bits per pixel" follows the Windows meaning: bytes per pixel times 8 (a 24-bit-deep X screen with
// 32-bit pixels reports 32).
// Monitors come from the X server's Xinerama list (kept by RandR on a desktop, by the Xinerama
// layout of several X screens otherwise), which names the primary monitor first. SDL sees only the
// one screen when RandR is missing, so with several monitors the primary monitor's size stands in
// for SDL's display: it is the current mode and the one mode offered.
// Depends on: SDL2, Xlib, Xinerama.
#include "platform/DisplayModes.h"

#include "platform/linux/DisplayModeState.h"
#include "platform/linux/SdlVideo.h"
#include "platform/linux/X11Connection.h"

#include <X11/extensions/Xinerama.h>

#include <algorithm>
#include <string>
#include <vector>

namespace System::Platform {

namespace Linux {

namespace {
bool g_pending = false;
SDL_DisplayMode g_pendingMode{};
std::vector<SDL_Window*> g_fullScreenWindows;
} // namespace

bool pendingFullScreenMode(SDL_DisplayMode& mode)
{
    if (!g_pending)
        return false;
    mode = g_pendingMode;
    return true;
}

void noteFullScreenWindow(SDL_Window* window)
{
    if (std::find(g_fullScreenWindows.begin(), g_fullScreenWindows.end(), window) ==
        g_fullScreenWindows.end())
        g_fullScreenWindows.push_back(window);
}

void forgetFullScreenWindow(SDL_Window* window)
{
    g_fullScreenWindows.erase(
        std::remove(g_fullScreenWindows.begin(), g_fullScreenWindows.end(), window),
        g_fullScreenWindows.end());
}

} // namespace Linux

namespace {

std::string g_lastError;

VideoMode fromSdl(const SDL_DisplayMode& mode)
{
    VideoMode result;
    result.width = mode.w;
    result.height = mode.h;
    int bytes = SDL_BYTESPERPIXEL(mode.format);
    result.bitsPerPixel = bytes > 0 ? bytes * 8 : static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    result.refreshRate = mode.refresh_rate;
    return result;
}

// The primary monitor's size when SDL's display is not that monitor alone (SDL without RandR sees
// the whole screen over every monitor).
bool primaryMonitorInstead(const SDL_DisplayMode& desktop, MonitorArea& primary)
{
    std::vector<MonitorArea> monitors = monitorAreas();
    if (monitors.size() < 2)
        return false;
    primary = monitors.front();
    return desktop.w != primary.width || desktop.h != primary.height;
}

} // namespace

std::vector<MonitorArea> monitorAreas()
{
    std::vector<MonitorArea> areas;
    Display* display = Linux::x11Connection();
    if (!display)
        return areas;
    int eventBase = 0, errorBase = 0, count = 0;
    XineramaScreenInfo* screens = nullptr;
    if (XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display))
        screens = XineramaQueryScreens(display, &count);
    for (int i = 0; i < count; ++i) {
        MonitorArea area;
        area.x = screens[i].x_org;
        area.y = screens[i].y_org;
        area.width = screens[i].width;
        area.height = screens[i].height;
        bool seen = area.width <= 0 || area.height <= 0;
        for (const MonitorArea& other : areas)
            seen = seen || (other.x == area.x && other.y == area.y && other.width == area.width &&
                            other.height == area.height);
        if (!seen)
            areas.push_back(area);
    }
    if (screens)
        XFree(screens);
    if (areas.empty()) {
        // The root window's size as the server has it now (the Display's copy is not updated when
        // the screen changes size).
        MonitorArea whole;
        Window root = 0;
        int x = 0, y = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        if (XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border, &depth)) {
            whole.width = static_cast<int>(width);
            whole.height = static_cast<int>(height);
        } else {
            whole.width = WidthOfScreen(DefaultScreenOfDisplay(display));
            whole.height = HeightOfScreen(DefaultScreenOfDisplay(display));
        }
        areas.push_back(whole);
    }
    return areas;
}

bool enumDisplayMode(int index, VideoMode& mode)
{
    std::string error;
    if (index < 0 || !Linux::ensureVideo(error))
        return false;
    SDL_DisplayMode found;
    MonitorArea primary;
    if (SDL_GetDesktopDisplayMode(0, &found) == 0 && primaryMonitorInstead(found, primary)) {
        if (index > 0)
            return false;
        mode = fromSdl(found);
        mode.width = primary.width;
        mode.height = primary.height;
        return true;
    }
    if (index >= SDL_GetNumDisplayModes(0) || SDL_GetDisplayMode(0, index, &found) != 0)
        return false;
    mode = fromSdl(found);
    return true;
}

bool currentDisplayMode(VideoMode& mode)
{
    if (!Linux::ensureVideo(g_lastError))
        return false;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
        g_lastError = std::string("Could not read the display mode: ") + SDL_GetError();
        return false;
    }
    mode = fromSdl(desktop);
    MonitorArea primary;
    if (primaryMonitorInstead(desktop, primary)) {
        mode.width = primary.width;
        mode.height = primary.height;
    }
    return true;
}

std::string lastDisplayModeError()
{
    return g_lastError;
}

bool changeDisplayMode(int width, int height, int)
{
    std::string error;
    if (!Linux::ensureVideo(error))
        return false;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) {
            Linux::g_pendingMode = mode;  // the highest refresh rate comes first
            Linux::g_pending = true;
            return true;
        }
    }
    return false;
}

void restoreDisplayMode()
{
    for (SDL_Window* window : Linux::g_fullScreenWindows)
        SDL_SetWindowFullscreen(window, 0);
    Linux::g_fullScreenWindows.clear();
    Linux::g_pending = false;
}

} // namespace System::Platform
