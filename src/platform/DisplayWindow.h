#pragma once
// The display window the scene is drawn into, and the OpenGL context on it.
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
    int colourBits = 32;      // the GL visual asked for
    int depthBits = 16;
};

struct PixelFormatDescription {
    bool generic = false;             // rendered by a software implementation
    bool genericAccelerated = false;  // software implementation with partial acceleration
};

class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;

    // Opens the display if needed and creates the window (hidden until show). Null on failure;
    // lastError() then says why.
    static std::unique_ptr<DisplayWindow> create(const WindowSpec& spec, WindowProcedure procedure);
    // Draws into a window of another process (a screen-saver host). No input; its resizing is seen
    // by layoutChanged.
    // depthBits: the depth buffer its GL context asks for (0: none).
    static std::unique_ptr<DisplayWindow> adopt(NativeHandle foreign, int depthBits);
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

// GL context operations, in the order the driver uses them. 0 / null / false mean failure.
int choosePixelFormat(DeviceContext dc, int colourBits, int depthBits);
bool setPixelFormat(DeviceContext dc, int format);
PixelFormatDescription describePixelFormat(DeviceContext dc, int format);
GLContextHandle createContext(DeviceContext dc);
bool makeCurrent(DeviceContext dc, GLContextHandle context);
void deleteContext(GLContextHandle context);
// Asks the driver to wait for the display's refresh on every swap; false when it refuses.
bool enableVsync(DeviceContext dc);
// The refresh rate of the display showing dc's window, in Hz; 0 when unknown.
int refreshRate(DeviceContext dc);
// Shows the back buffer (with vsync when enableVsync succeeded; the engine keeps its own frame
// ceiling either way).
void swapBuffers(DeviceContext dc);

// Entry point of a GL function by name; null when the driver has none.
void* glProcAddress(const char* name);
// The window system's extension string for dc (GLX on X11); null when there is none.
const char* windowSystemExtensions(DeviceContext dc);

} // namespace System::Platform
