// Linux (X11) platform layer: SDL2 video start-up shared by the window, display-mode, cursor and
// message-box code. SDL's own signal handlers are turned off (termination is handled by the message
// pump), the last window closing does not post a quit of its own (the window procedure decides), and
// SDL leaves the screen saver and the display's power to the system.
// Depends on: SDL2 (x11 video driver).
#include "platform/linux/SdlVideo.h"

#include "platform/linux/X11Connection.h"

#include <cstdlib>
#include <cstring>

namespace System::Platform::Linux {

namespace {

bool g_ready = false;
bool g_failed = false;
std::string g_error;

void shutdownVideo()
{
    // Restores any switched display mode and releases the X connection.
    if (g_ready)
        SDL_Quit();
    g_ready = false;
}

} // namespace

bool ensureVideo(std::string& error)
{
    if (g_ready)
        return true;
    if (g_failed) {
        error = g_error;
        return false;
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // SDL's default is a game's: it would suspend the X server's screen saver, reset its idle timer
    // every 30 s, and ask the session bus to inhibit the screen saver and simulate user activity.
    // A screen saver keeps nothing awake.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    if (!requested || !*requested)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");

    // The private connection first: it tells a server that died under the GL driver from a crash.
    Linux::x11Connection();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        g_error = "No display: the DISPLAY environment variable is not set";
    } else if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        g_error = std::string("Could not open the display \"") + display + "\": " + SDL_GetError();
    } else {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || (std::strcmp(driver, "x11") != 0 && std::strcmp(driver, "wayland") != 0)) {
            g_error = std::string("No usable display: SDL chose the \"") + (driver ? driver : "?") +
                      "\" video driver";
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        } else {
            g_ready = true;
            Linux::installX11Handlers();  // in place of SDL's, which end the process on any X error
            std::atexit(shutdownVideo);
            return true;
        }
    }
    g_failed = true;
    error = g_error;
    return false;
}

bool videoReady()
{
    return g_ready;
}

} // namespace System::Platform::Linux
