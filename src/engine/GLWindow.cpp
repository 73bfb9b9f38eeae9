#include "engine/GLWindow.h"

#include "base/Exception.h"
#include "engine/GLDriver.h"
#include "engine/Log.h"
#include "engine/services/InputManager.h"
#include "engine/services/SoundManager.h"
#include "platform/Cursor.h"
#include "platform/DisplayModes.h"
#include "platform/DisplayWindow.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"

#include <algorithm>

namespace System {

using namespace Platform;

namespace {

// The monitors' bounding box on the screen, and each monitor within it (parts, the primary first).
Types::Rect coverMonitors(const std::vector<MonitorArea>& screens, std::vector<Types::Rect>& parts)
{
    int left = screens[0].x, top = screens[0].y, right = left, bottom = top;
    for (const MonitorArea& screen : screens) {
        left = std::min(left, screen.x);
        top = std::min(top, screen.y);
        right = std::max(right, screen.x + screen.width);
        bottom = std::max(bottom, screen.y + screen.height);
    }
    parts.clear();
    for (const MonitorArea& screen : screens)
        parts.push_back(Types::Rect{screen.x - left, screen.y - top, screen.width, screen.height});
    return Types::Rect{left, top, right - left, bottom - top};
}

} // namespace

GLWindow::GLWindow(const std::string& title, int width, int height, int depth, bool fullScreen)
    : title(title), width(width), height(height), depth(depth), fullScreen(fullScreen),
      contextWishes(GLDriver::contextWishesFor(depth, DrawingOptions()))
{
    area.x = 0;
    area.y = 0;
    area.width = width;
    area.height = height;
    surfaceArea = area;
    monitorAreas.assign(1, area);
}

GLWindow::~GLWindow()
{
    setGamma(1);
}

bool GLWindow::create()
{
    // Opening the display stands where the window class is registered. Without a display there is
    // nothing to fall back to, so its reason goes straight to the caller.
    VideoMode desktop;
    if (!currentDisplayMode(desktop))
        throw Exception(lastDisplayModeError());

    // A mode switch would reach the primary monitor only and move the others about.
    std::vector<MonitorArea> screens;
    if (fullScreen)
        screens = Platform::monitorAreas();
    const bool spanning = screens.size() > 1;

    if (fullScreen && !spanning && !changeDisplayMode(width, height, depth)) {
        MessageBoxResult answer = messageBox(
            0, "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
            "VL Engine", MessageBoxButtons::YesNo, MessageBoxIcon::Exclamation);
        if (answer != MessageBoxResult::Yes) {
            messageBox(0, "Program Will Now Close.", "ERROR", MessageBoxButtons::Ok, MessageBoxIcon::Stop);
            return false;
        }
        fullScreen = false;
        // A window 0 pixels wide or high cannot take the focus, and no key would end the run: such
        // a stored size is the desktop's instead.
        if (width < 1)
            width = desktop.width;
        if (height < 1)
            height = desktop.height;
    }

    showCursor(false);
    cursorHidden = true;

    WindowSpec spec;
    spec.title = title;
    spec.fullScreen = fullScreen;
    spec.bordered = !fullScreen;
    spec.x = fullScreen ? 0 : 30;
    spec.y = fullScreen ? 0 : 30;
    spec.width = width;
    spec.height = height;
    if (spanning) {
        const Types::Rect box = coverMonitors(screens, monitorAreas);
        spec.coversMonitors = true;
        spec.x = box.x;
        spec.y = box.y;
        spec.width = box.width;
        spec.height = box.height;
        Log::instance().write("Covering " + std::to_string(screens.size()) + " monitors\n");
    }
    surfaceArea = Types::Rect{0, 0, spec.width, spec.height};
    if (!spanning)
        monitorAreas.assign(1, surfaceArea);
    spec.context = contextWishes;
    window = DisplayWindow::create(spec, [this](WindowMessage what, int a, int b) {
        procedure(static_cast<int>(what), a, b);
    });
    if (!window) {
        shutdown();
        Log::instance().write("Window Creation Error\n");
        return false;
    }
    windowHandle = window->handle();
    dc = window.get();
    setGamma(50);
    return true;
}

void GLWindow::show()
{
    if (window)
        window->show();
}

bool GLWindow::isShown() const
{
    return !window || window->isShown();
}

bool GLWindow::layoutChanged()
{
    return window && window->layoutChanged();
}

bool GLWindow::followScreen()
{
    std::vector<MonitorArea> screens = Platform::monitorAreas();
    if (!window || !fullScreen || screens.empty())
        return false;
    std::vector<Types::Rect> parts;
    const Types::Rect box = coverMonitors(screens, parts);
    if (!window->place(box.x, box.y, box.width, box.height))
        return false;
    surfaceArea = Types::Rect{0, 0, box.width, box.height};
    monitorAreas = std::move(parts);
    Log::instance().write("Covering " + std::to_string(screens.size()) + " monitors in " +
                          std::to_string(surfaceArea.width) + "x" + std::to_string(surfaceArea.height) + "\n");
    return true;
}

int GLWindow::setGamma(int percent)
{
    gamma = percent;
    return 0;
}

void GLWindow::shutdown()
{
    if (fullScreen) {
        restoreDisplayMode();
        if (cursorHidden)
            showCursor(true);
        cursorHidden = false;
    }
    dc = nullptr;
    window.reset();
    windowHandle = 0;
}

void GLWindow::procedure(int message, int a, int)
{
    switch (static_cast<WindowMessage>(message)) {
    case WindowMessage::Activate:
        if (a) {
            InputManager::instance().acquire();
            SoundManager::instance().activate();
        }
        break;
    case WindowMessage::Close:
        postQuitMessage(0);
        break;
    default:
        break;
    }
}

} // namespace System
