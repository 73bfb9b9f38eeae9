#pragma once
// The display window the scene is drawn into. Its OpenGL context: platform/GLContext.h.
#include "platform/GLContext.h"
#include "platform/Handle.h"
#include "platform/MessagePump.h"

#include <functional>
#include <memory>
#include <string>

namespace System::Platform {

// Called on the pump's thread for every window message of this window (see dispatchMessage).
using WindowProcedure = std::function<void(WindowMessage what, int a, int b)>;

struct WindowSpec {
    std::string title;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool fullScreen = false;  // covers the screen in the mode chosen by changeDisplayMode
    bool bordered = true;     // a normal decorated window; false for full screen
    // Full screen over several monitors at their current modes: a borderless window at x, y of
    // width x height above every other window (outside the window manager's placement rules), which
    // takes the keyboard when shown. No mode switch.
    bool coversMonitors = false;
    // The context the window will take: X11 fixes a window's visual when the window is made, so
    // the window is made for the same wishes its context is (createContext).
    ContextWishes context;
};

class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;

    // Opens the display if needed and creates the window (hidden until show). Null on failure;
    // lastError() then says why.
    static std::unique_ptr<DisplayWindow> create(const WindowSpec& spec, WindowProcedure procedure);
    // Draws into a window of another process (a screen-saver host). No input; its resizing is seen
    // by layoutChanged. Its context will be made for `context`.
    static std::unique_ptr<DisplayWindow> adopt(NativeHandle foreign, const ContextWishes& context);
    static std::string lastError();

    virtual NativeHandle handle() const = 0;
    virtual std::uint32_t id() const = 0;
    virtual void show() = 0;
    // Client area size in pixels, as the window system reports it now.
    virtual void clientSize(int& width, int& height) const = 0;
    // False while the window cannot be seen: unmapped, minimised or wholly covered by other
    // windows, as the window system last said (cheap: asks nothing of it). True where it cannot tell.
    virtual bool isShown() const = 0;
    // True once after the client size or the screen's size changed (a host resizing its window, a
    // new screen layout); reads only what the window system has already said, never waits. The
    // caller then reads clientSize and monitorAreas again. A backend that is not told answers false.
    virtual bool layoutChanged() { return false; }
    // Moves and resizes the window over that area of the screen (a full-screen window following a
    // new screen layout); false when the window system refuses or the window is a host's.
    virtual bool place(int /*x*/, int /*y*/, int /*width*/, int /*height*/) { return false; }
};

} // namespace System::Platform
