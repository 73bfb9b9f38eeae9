#pragma once
#include "base/Types.h"
#include "platform/Handle.h"

#include <memory>
#include <string>

namespace System {
namespace Platform {
class DisplayWindow;
}

// The platform window the scene is drawn into: switches to the requested full-screen mode (or falls
// back to a window after asking), creates the window and holds its device context.
class GLWindow {
public:
    GLWindow(const std::string& title, int width, int height, int depth, bool fullScreen);
    ~GLWindow();
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    bool create();
    void show();
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
    Types::Rect area;
    int gamma = 0;
    bool cursorHidden = false;
    std::unique_ptr<Platform::DisplayWindow> window;
};

} // namespace System
