#pragma once
// The OpenGL context on a display window: made to the engine's wishes, reporting what renders it.
// How a backend gets there (WGL's pixel formats, an X11 visual through SDL) stays inside it.
#include "platform/Handle.h"

#include <string>

namespace System::Platform {

// What the engine asks of a context; each backend makes the window and its context for the same
// wishes (the window through WindowSpec::context or adopt).
struct ContextWishes {
    int colourBits = 32;
    int depthBits = 16;  // 0: no depth buffer
    int stencilBits = 0;
};

enum class ContextFailure {
    None,
    NoPixelFormat,       // the window offers no format or visual for the wishes
    PixelFormatRefused,  // the window would not take the format chosen
    NoContext,           // no context could be made, or made current
};

struct ContextMade {
    GLContextHandle context = nullptr;  // current on the calling thread; null on failure
    ContextFailure failure = ContextFailure::None;
    std::string renderer;            // GL_RENDERER
    bool software = false;           // rendered by a software implementation
    bool partlyAccelerated = false;  // a software implementation with partial acceleration
};

// Makes the window's context and makes it current. A window gives out one context.
ContextMade createContext(DeviceContext dc, const ContextWishes& wishes);
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
