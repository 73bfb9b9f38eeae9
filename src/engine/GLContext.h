#pragma once
// The driver's OpenGL context and its presentation: the context made on the display window to the
// driver's wishes, vsync, the swap and the frame ceiling. It draws nothing.
#include "engine/FramePacer.h"
#include "platform/GLContext.h"
#include "platform/Handle.h"

namespace System {

class GLContext {
public:
    // Makes the context for the wishes and makes it current, logging the pixel format's steps.
    // Throws Exception when the window offers no format, refuses it, or no context can be made.
    void start(Platform::DeviceContext dc, const Platform::ContextWishes& wishes);
    // Vsync, the display's refresh and the renderer decide the frame ceiling; the log says which.
    void startPacing();
    // Shows the frame, then keeps to the frame ceiling.
    void present();
    void release();

    int getFrameCeiling() const { return pacer.getCeiling(); }
    void setPacing(bool on) { pacer.setEnabled(on); }
    void setOnBattery(bool onBattery);
    // Whether every pixel of the back buffer is the driver's own to keep. A software renderer draws
    // into the process's own memory (an image put to the window at the swap); elsewhere OpenGL's
    // pixel ownership test leaves the back buffer's pixels under another window undefined where no
    // compositor keeps them, so they may be another window's or garbage.
    bool ownsBackBuffer() const { return software; }
    Platform::GLContextHandle getHandle() const { return context; }
    Platform::DeviceContext getDeviceContext() const { return dc; }

private:
    void logCeiling();

    Platform::DeviceContext dc = nullptr;
    Platform::GLContextHandle context = nullptr;
    bool software = false;  // the renderer is a software one (platform/Renderer.h)
    FramePacer pacer;
};

} // namespace System
