// Linux (X11) platform layer: the display window and its OpenGL context, on SDL2.
// The window is created at the requested position and size; a full-screen window is created
// borderless at 0,0 with the mode's size and then made full screen, so it covers the screen with or
// without a window manager. The GL context is whatever the driver gives for OpenGL 1.1 (legacy calls).
// A window over several monitors bypasses the window manager (override-redirect), since window
// managers place a full-screen window on one monitor only.
// A foreign window (a screen-saver host's) is adopted with SDL_CreateWindowFrom; its size is read
// from the X server, since SDL reports no resize for it; LayoutWatch.h tells when it changes.
// Limits: one GL context per window; the window's GL visual is chosen when the window is created,
// from the same context wishes, so createContext only checks that the window can take a context.
// Depends on: SDL2, Xlib, GLX.
#include "platform/DisplayWindow.h"
#include "platform/Renderer.h"

#include "platform/linux/DisplayModeState.h"
#include "platform/linux/LayoutWatch.h"
#include "platform/linux/SdlVideo.h"
#include "platform/linux/WindowRegistry.h"
#include "platform/linux/X11Connection.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace System::Platform {

namespace Linux {

namespace {
std::map<std::uint32_t, RegisteredWindow>& windows()
{
    static std::map<std::uint32_t, RegisteredWindow> table;
    return table;
}
} // namespace

void registerWindow(std::uint32_t id, SDL_Window* window, WindowProcedure procedure)
{
    windows()[id] = RegisteredWindow{window, std::move(procedure)};
}

void unregisterWindow(std::uint32_t id)
{
    windows().erase(id);
}

const RegisteredWindow* findWindow(std::uint32_t id)
{
    auto found = windows().find(id);
    return found == windows().end() ? nullptr : &found->second;
}

SDL_Window* findWindowByHandle(NativeHandle handle)
{
    if (!handle)
        return nullptr;
    for (auto& entry : windows()) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(entry.second.window, &info) && info.subsystem == SDL_SYSWM_X11 &&
            static_cast<NativeHandle>(info.info.x11.window) == handle)
            return entry.second.window;
    }
    return nullptr;
}

} // namespace Linux

namespace {

std::string g_lastError;

// Full screen at the desktop's size switches no mode. SDL would "switch" to the same size all the
// same (its mode list and its desktop mode never compare equal) and switch back to the desktop mode
// it read at start when the window leaves full screen, undoing any change of the screen's size made
// meanwhile (xrandr, a docking station); full screen on the desktop leaves the modes alone.
bool desktopSized(const SDL_DisplayMode& mode)
{
    SDL_DisplayMode desktop;
    return SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w == mode.w && desktop.h == mode.h;
}

class SdlDisplayWindow;
std::vector<SdlDisplayWindow*>& liveWindows()
{
    static std::vector<SdlDisplayWindow*> live;
    return live;
}

class SdlDisplayWindow final : public DisplayWindow {
public:
    SdlDisplayWindow(SDL_Window* window, bool foreign, bool fullScreen, WindowProcedure procedure)
        : window(window), foreign(foreign), fullScreen(fullScreen)
    {
        windowId = SDL_GetWindowID(window);
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
            xid = static_cast<NativeHandle>(info.info.x11.window);
        Linux::watchVisibility(static_cast<Window>(xid));
        Linux::registerWindow(windowId, window, std::move(procedure));
        liveWindows().push_back(this);
    }

    ~SdlDisplayWindow() override
    {
        Linux::forgetVisibility(static_cast<Window>(xid));
        Linux::unregisterWindow(windowId);
        liveWindows().erase(std::find(liveWindows().begin(), liveWindows().end(), this));
        if (fullScreen)
            Linux::forgetFullScreenWindow(window);
        if (context)
            SDL_GL_DeleteContext(context);
        if (fullScreen)
            SDL_SetWindowFullscreen(window, 0);
        SDL_DestroyWindow(window);
    }

    NativeHandle handle() const override { return xid; }
    std::uint32_t id() const override { return windowId; }
    bool isShown() const override { return Linux::windowShown(static_cast<Window>(xid)); }

    void show() override
    {
        if (foreign)
            return;
        SDL_ShowWindow(window);
        if (fullScreen) {
            SDL_DisplayMode mode;
            const bool pending = Linux::pendingFullScreenMode(mode);
            if (pending)
                SDL_SetWindowDisplayMode(window, &mode);
            SDL_SetWindowFullscreen(window, pending && !desktopSized(mode) ? SDL_WINDOW_FULLSCREEN
                                                                           : SDL_WINDOW_FULLSCREEN_DESKTOP);
            Linux::noteFullScreenWindow(window);
        }
        SDL_RaiseWindow(window);
        // Without a window manager nobody gives the new window the keyboard focus.
        SDL_PumpEvents();
        SDL_SetWindowInputFocus(window);
    }

    void clientSize(int& width, int& height) const override
    {
        width = height = 0;
        Display* display = Linux::x11Connection();
        XWindowAttributes attributes;
        if (display && xid && XGetWindowAttributes(display, static_cast<Window>(xid), &attributes)) {
            width = attributes.width;
            height = attributes.height;
            return;
        }
        SDL_GetWindowSize(window, &width, &height);
    }

    bool layoutChanged() override { return layoutWatched && Linux::layoutChanged(); }

    bool place(int x, int y, int width, int height) override
    {
        Display* display = Linux::x11Connection();
        if (foreign || !display || !xid || width <= 0 || height <= 0)
            return false;
        Linux::X11ErrorTrap trap(display);
        XMoveResizeWindow(display, static_cast<Window>(xid), x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
        return trap.ok();
    }

    SDL_Window* window;
    bool foreign;
    bool fullScreen;
    std::uint32_t windowId = 0;
    NativeHandle xid = 0;
    SDL_GLContext context = nullptr;  // made by createContext
    bool contextHandedOut = false;
    bool vsyncTried = false;
    bool vsync = false;
    bool layoutWatched = false;  // its size and the screen's are watched (LayoutWatch.h)
};

SdlDisplayWindow* windowOf(DeviceContext dc)
{
    return static_cast<SdlDisplayWindow*>(dc);
}

// The drawing needs OpenGL 1.1 and nothing of a profile. Version 1.1 without a profile makes SDL take
// the plain glXCreateContext, which gives the newest compatible context the driver has; asking for a
// version or profile (glXCreateContextAttribsARB) fails outright on a driver below that version.
void requestAnyContext()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
}

void setVisualAttributes(int colourBits, int depthBits, int stencilBits)
{
    int channel = colourBits <= 16 ? 5 : 8;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, colourBits <= 16 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    requestAnyContext();
}

Display* sdlDisplay(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    return info.info.x11.display;
}

// A host's window can be destroyed by its owner at any moment, and the GL driver does not survive that
// in the middle of making a context for it. The server is held still while the window is checked and
// the context made (the grab blocks the host's requests for these few milliseconds), and any X error
// on the way fails the creation instead of being ignored.
SDL_GLContext createForeignContext(SdlDisplayWindow* window)
{
    Display* display = sdlDisplay(window->window);
    if (!display)
        return SDL_GL_CreateContext(window->window);
    XGrabServer(display);
    SDL_GLContext context = nullptr;
    {
        Linux::X11ErrorTrap trap(display);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, static_cast<Window>(window->xid), &attributes) && trap.ok()) {
            context = SDL_GL_CreateContext(window->window);
            if (context && !trap.ok()) {
                SDL_GL_MakeCurrent(window->window, nullptr);
                SDL_GL_DeleteContext(context);
                context = nullptr;
            }
        }
    }
    XUngrabServer(display);
    XFlush(display);
    return context;
}

SDL_GLContext ensureContext(SdlDisplayWindow* window)
{
    if (!window->context)
        window->context = window->foreign ? createForeignContext(window) : SDL_GL_CreateContext(window->window);
    return window->context;
}

int refreshOf(SDL_Window* window)
{
    SDL_DisplayMode mode;
    int hz = 0;
    if (SDL_GetWindowDisplayMode(window, &mode) == 0)
        hz = mode.refresh_rate;
    if (hz <= 0 && SDL_GetCurrentDisplayMode(0, &mode) == 0)
        hz = mode.refresh_rate;
    return hz > 0 ? hz : 0;
}

} // namespace

std::unique_ptr<DisplayWindow> DisplayWindow::create(const WindowSpec& spec, WindowProcedure procedure)
{
    std::string error;
    if (!Linux::ensureVideo(error)) {
        g_lastError = error;
        return nullptr;
    }
    setVisualAttributes(spec.context.colourBits, spec.context.depthBits, spec.context.stencilBits);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (!spec.bordered || spec.fullScreen || spec.coversMonitors)
        flags |= SDL_WINDOW_BORDERLESS;
    int x = spec.fullScreen && !spec.coversMonitors ? 0 : spec.x;
    int y = spec.fullScreen && !spec.coversMonitors ? 0 : spec.y;
    if (spec.coversMonitors)
        SDL_SetHint(SDL_HINT_X11_FORCE_OVERRIDE_REDIRECT, "1");
    SDL_Window* window = SDL_CreateWindow(spec.title.c_str(), x, y, spec.width, spec.height, flags);
    SDL_SetHint(SDL_HINT_X11_FORCE_OVERRIDE_REDIRECT, "0");
    if (!window) {
        g_lastError = std::string("Could not create the window: ") + SDL_GetError();
        return nullptr;
    }
    auto made = std::make_unique<SdlDisplayWindow>(window, false, spec.fullScreen && !spec.coversMonitors,
                                                   std::move(procedure));
    // A window over the screen follows the screen's changes of size (its own size is ours to set).
    Display* display = Linux::x11Connection();
    if ((spec.fullScreen || spec.coversMonitors) && display)
        made->layoutWatched = Linux::watchLayout(DefaultRootWindow(display));
    return made;
}

std::unique_ptr<DisplayWindow> DisplayWindow::adopt(NativeHandle foreign, const ContextWishes& context)
{
    std::string error;
    if (!Linux::ensureVideo(error)) {
        g_lastError = error;
        return nullptr;
    }
    Display* display = Linux::x11Connection();
    XWindowAttributes attributes;
    if (!foreign || !display ||
        !XGetWindowAttributes(display, static_cast<Window>(foreign), &attributes)) {
        g_lastError = "The window " + std::to_string(foreign) + " does not exist";
        return nullptr;
    }
    // Its destruction ends the run (the message pump watches for it).
    if (!Linux::watchHostWindow(static_cast<Window>(foreign))) {
        g_lastError = "The window " + std::to_string(foreign) + " does not exist";
        return nullptr;
    }
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    // The host's window has its visual already: the context asks for all the colour it offers.
    setVisualAttributes(32, context.depthBits, context.stencilBits);
    SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<void*>(foreign));
    if (!window) {
        g_lastError = std::string("Could not draw into window ") + std::to_string(foreign) + ": " +
                      SDL_GetError();
        return nullptr;
    }
    // SDL reads the window's attributes while adopting it; if it vanished meanwhile, what SDL read is
    // not to be trusted.
    if (Display* display = sdlDisplay(window)) {
        Linux::X11ErrorTrap trap(display);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, static_cast<Window>(foreign), &attributes) || !trap.ok()) {
            SDL_DestroyWindow(window);
            g_lastError = "The window " + std::to_string(foreign) + " went away";
            return nullptr;
        }
    }
    auto adopted = std::make_unique<SdlDisplayWindow>(window, true, false, WindowProcedure());
    adopted->layoutWatched = Linux::watchLayout(static_cast<Window>(foreign));
    return adopted;
}

std::string DisplayWindow::lastError()
{
    return g_lastError;
}

// The visual was chosen when the window was made (SDL's GL attributes, set from the same wishes),
// so here the window only has to be one that can take a context.
ContextMade createContext(DeviceContext dc, const ContextWishes&)
{
    ContextMade made;
    SdlDisplayWindow* window = windowOf(dc);
    if (!window || !(SDL_GetWindowFlags(window->window) & SDL_WINDOW_OPENGL)) {
        made.failure = ContextFailure::NoPixelFormat;
        return made;
    }
    if (window->contextHandedOut || !ensureContext(window) ||
        SDL_GL_MakeCurrent(window->window, window->context) != 0) {
        made.failure = ContextFailure::NoContext;
        return made;
    }
    window->contextHandedOut = true;
    made.context = window->context;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    made.renderer = renderer ? renderer : "";
    made.software = isSoftwareRenderer(renderer);
    return made;
}

void deleteContext(GLContextHandle context)
{
    if (!context)
        return;
    // The context belongs to one of our windows; forget it there so the window does not delete it
    // a second time.
    for (SdlDisplayWindow* window : liveWindows()) {
        if (window->context == context) {
            window->context = nullptr;
            window->contextHandedOut = false;
        }
    }
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
}

bool enableVsync(DeviceContext dc)
{
    SdlDisplayWindow* window = windowOf(dc);
    if (!window)
        return false;
    if (!window->vsyncTried) {
        window->vsyncTried = true;
        window->vsync = SDL_GL_SetSwapInterval(1) == 0;
    }
    return window->vsync;
}

int refreshRate(DeviceContext dc)
{
    SdlDisplayWindow* window = windowOf(dc);
    return window ? refreshOf(window->window) : 0;
}

void swapBuffers(DeviceContext dc)
{
    SdlDisplayWindow* window = windowOf(dc);
    if (!window)
        return;
    SDL_GL_SwapWindow(window->window);
}

void* glProcAddress(const char* name)
{
    if (!name || !*name || !Linux::videoReady())
        return nullptr;
    return SDL_GL_GetProcAddress(name);
}

const char* windowSystemExtensions(DeviceContext dc)
{
    SdlDisplayWindow* window = windowOf(dc);
    if (!window)
        return nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window->window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    Display* display = info.info.x11.display;
    return glXQueryExtensionsString(display, DefaultScreen(display));
}

} // namespace System::Platform
