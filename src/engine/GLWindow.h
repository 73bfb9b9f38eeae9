#pragma once
#include "base/Types.h"
#include "platform/GLContext.h"
#include "platform/Handle.h"

#include <memory>
#include <string>
#include <vector>

namespace System {
namespace Platform {
class DisplayWindow;
}

// The platform window the scene is drawn into: switches to the requested full-screen mode (or falls
// back to a window after asking), creates the window and holds its device context. Full screen
// over several monitors it is one window over all of them, each at its current mode, and no mode
// is switched.
class GLWindow {
public:
    GLWindow(const std::string& title, int width, int height, int depth, bool fullScreen);
    ~GLWindow();
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // The context the window is made for (by default a driver's with its default drawing options);
    // set before create.
    void setContextWishes(const Platform::ContextWishes& wishes) { contextWishes = wishes; }
    bool create();
    // The window's size in pixels once created (the mode's size unless it covers several monitors).
    Types::Rect getSurface() const { return surfaceArea; }
    // Each monitor's part of the window, in the window's pixels, the primary first; one part over
    // the whole window on a single monitor or when windowed.
    const std::vector<Types::Rect>& getMonitors() const { return monitorAreas; }
    void show();
    // False while the window is unmapped or wholly covered (see DisplayWindow::isShown).
    bool isShown() const;
    // True once after the screen's size changed (see followScreen).
    bool layoutChanged();
    // A full-screen window placed again over the monitors as they are now (surface and monitors read
    // anew); false when it stays as it was (a window, or the window system refuses).
    bool followScreen();
    // Stores the percentage; X11 has no per-window colour adjustment, so it changes nothing visible.
    int setGamma(int percent);
    void shutdown();

    Platform::DeviceContext deviceContext() const { return dc; }
    Platform::NativeHandle handle() const { return windowHandle; }
    Types::Rect rect() const { return area; }
    bool isFullScreen() const { return fullScreen; }
    int getGamma() const { return gamma; }
    const std::string& getTitle() const { return title; }

private:
    void procedure(int message, int a, int b);

    Platform::DeviceContext dc = nullptr;
    Platform::NativeHandle windowHandle = 0;
    std::string title;
    int width;
    int height;
    int depth;
    bool fullScreen;
    Platform::ContextWishes contextWishes;
    Types::Rect area;
    Types::Rect surfaceArea;
    std::vector<Types::Rect> monitorAreas;
    int gamma = 0;
    bool cursorHidden = false;
    std::unique_ptr<Platform::DisplayWindow> window;
};

} // namespace System
