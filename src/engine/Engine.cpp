#include "engine/Engine.h"

#include "engine/CommandRegistry.h"
#include "base/Exception.h"
#include "engine/FatalError.h"
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"
#include "engine/LevelFactory.h"
#include "engine/SceneLayout.h"
#include "engine/Log.h"
#include "engine/Timer.h"
#include "engine/Trace.h"
#include "engine/Version.h"
#include "engine/services/InputManager.h"
#include "engine/services/SoundManager.h"
#include "engine/ui/FXManager.h"
#include "engine/ui/Form.h"
#include "engine/ui/RenderManager.h"
#include "engine/ui/WindowManager.h"
#include "platform/DisplayModes.h"
#include "platform/DisplayWindow.h"
#include "platform/Memory.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/Power.h"
#include "platform/SystemInfo.h"

#include <boost/bind/bind.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace System {

namespace {

bool sameRect(const Types::Rect& a, const Types::Rect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

double steadySeconds()
{
    using Steady = std::chrono::steady_clock;
    return std::chrono::duration<double>(Steady::now().time_since_epoch()).count();
}

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

[[noreturn]] void errorBoxAndExit(Platform::NativeHandle owner, const std::string& text)
{
    Platform::messageBox(owner, text, "ERROR", Platform::MessageBoxButtons::Ok,
                         Platform::MessageBoxIcon::Error);
    std::exit(1);
}

} // namespace

Engine::Engine(LevelFactory& factory) : levelFactory(&factory)
{
    Log::instance().write("Working directory: " + Platform::currentDirectory() + "\n");
}

Engine::~Engine()
{
    // The scene's parts, then the driver, then its window; a host's window goes last, with the members.
    renderManager.reset();
    driver.reset();
    glWindow.reset();
}

void Engine::start(Platform::NativeHandle host)
{
    DisplayMode mode = settings ? settings->displayMode() : DisplayMode{1024, 768, 16, true};
    width = mode.width;
    height = mode.height;
    depth = mode.depth;
    fullScreen = mode.fullScreen;
    hostHandle = host;
    if (host) {
        // The scene keeps the display mode's layout and is scaled into the host's window: no mode
        // switch, no full screen of our own.
        hostWindow = Platform::DisplayWindow::adopt(host, GLDriver::contextWishesFor(depth, drawingOptions));
        if (!hostWindow)
            throw Exception(Platform::DisplayWindow::lastError());
        surface = Types::Rect();
        hostWindow->clientSize(surface.width, surface.height);
        fullScreen = false;
    }

    Log::instance().write("Starting engine\n");
    Log::instance().write("Initializing engine\n");

    try {
        glWindow = std::make_unique<GLWindow>(EngineVersion, width, height, depth, fullScreen);
    } catch (const Exception& e) {
        errorBoxAndExit(0, e.message());
    }
    try {
        driver = std::make_unique<GLDriver>(width, height, depth);
        driver->options() = drawingOptions;
        glWindow->setContextWishes(driver->getContextWishes());
    } catch (const Exception& e) {
        glWindow->shutdown();
        errorBoxAndExit(0, e.message());
    }

    InputManager::instance().addListener(this);
    if (settings) {
        SoundSettings sound = settings->soundSettings();
        SoundManager::instance().setVolume(sound.volume);
        SoundManager::instance().setEnabled(sound.soundEnabled);
    }
    Log::instance().write("Engine initialized\n");

    CommandRegistry& commands = CommandRegistry::instance();
    commands.add(new Command("exit", "Forces application to exit", boost::function<void()>([this] { quit(); })));
    commands.add(new Command("quit", "Forces application to exit", boost::function<void()>([this] { quit(); })));
    commands.add(new Command("wf_mode", "Enables or disables rendering wireframe mode",
                             boost::function<void(const std::string&)>(
                                 [this](const std::string& argument) { driver->setWireframe(argument); })));

    renderManager = std::make_unique<RenderManager>();

    Platform::DeviceContext dc = hostWindow.get();
    if (!host) {
        glWindow->create();
        glWindow->show();
        dc = glWindow->deviceContext();
        surface = glWindow->getSurface();
        placeViews(glWindow->getMonitors(), true);
    } else {
        placeHostViews();
    }
    trace("window shown");
    driver->start(dc);
    trace("GL driver started");
    driver->setViewport(surface.width, surface.height);
    driver->enableLighting();
    try {
        renderManager->prepare(*driver);
    } catch (const Exception& e) {
        Platform::messageBox(glWindow->handle(), "RenderManager initialization\n" + e.message(), "ERROR",
                             Platform::MessageBoxButtons::Ok, Platform::MessageBoxIcon::Error);
    }

    loadingScreen = levelFactory->createLoadingScreen(windowRect());
    loadingScreen->prepare(*driver);
    drawInViews([this] { loadingScreen->render(*driver); }, false);
    driver->swapBuffers();
    trace("loading picture on screen");

    InputManager::instance().init(host ? 0 : glWindow->handle());
    if (!power)
        setPowerSources(PowerWatch::Sources{steadySeconds, Platform::displayPower, nullptr, Platform::runsOnBattery});
    Log::instance().write("Engine started\n");
}

void Engine::setPowerSources(PowerWatch::Sources sources)
{
    if (!sources.windowShown)
        sources.windowShown = [this] { return windowShown(); };
    power = std::make_unique<PowerWatch>(std::move(sources));
}

bool Engine::windowShown() const
{
    if (hostWindow)
        return hostWindow->isShown();
    return !glWindow || glWindow->isShown();
}

bool Engine::drawingWanted()
{
    if (!power)
        return true;
    const PowerWatch::Hold hold = power->update();
    if (power->takeBatteryChange() && driver)
        driver->setOnBattery(power->isOnBattery());
    if (hold != PowerWatch::Hold::None) {
        if (!drawingHeld) {
            drawingHeld = true;
            heldSince = steadySeconds();
            SoundManager::instance().setPaused(true);
            Log::instance().write(std::string("Drawing paused: ") + PowerWatch::describe(hold) + "\n");
            trace("drawing paused after " + std::to_string(frames) + " frames: " + PowerWatch::describe(hold));
        }
        return false;
    }
    if (drawingHeld) {
        drawingHeld = false;
        SoundManager::instance().setPaused(false);
        Log::instance().write("Drawing resumes after " + seconds(steadySeconds() - heldSince) + " s\n");
        trace("drawing resumes after " + std::to_string(frames) + " frames");
    }
    return true;
}

void Engine::frame()
{
    try {
        followLayout();
        InputManager::instance().poll();
        if (!drawingWanted()) {
            // Nothing to show: rest, so that a dark display costs next to no processor time.
            std::this_thread::sleep_for(std::chrono::duration<double>(HeldRestSeconds));
            return;
        }
        driver->beginFrame();
        Timer& timer = Timer::instance();
        // A stop, a sleep or a dark display would step every motion by the whole pause.
        const double step = timer.elapsed();
        if (step > LongestStep) {
            const int ceiling = driver->getFrameCeiling() > 0 ? driver->getFrameCeiling() : FramePacer::MaxRate;
            timer.markAgo(1.0 / ceiling);
            Log::instance().write("Paused for " + seconds(step) + " s: the step is taken as one frame\n");
        }
        timer.update();
        double dt = timer.elapsed();
        FXManager::instance().update(dt);
        renderManager->update(dt);
        SoundManager::instance().update();
        timer.mark();
        drawInViews([this] { renderManager->render(*driver); }, true);
        driver->swapBuffers();
        if (++frames == 1)
            trace("first frame on screen");
        // For long runs under test: the heap's size every 300 frames (10 s at the software ceiling).
        if (frames % 300 == 0 && tracing())
            trace("heap " + std::to_string(Platform::heapInUse()) + " bytes in use");
    } catch (const Exception& e) {
        // The display window is gone by then, so the box has no owner.
        stop();
        fatalError(e.message());
    }
}

void Engine::stop()
{
    Log::instance().write("Stopping engine\n");
    trace("engine stops after " + std::to_string(frames) + " frames");
    if (driver)
        driver->releaseContext();
    if (glWindow)
        glWindow->shutdown();
    hostWindow.reset();
    InputManager::instance().release();
    Log::instance().write("Engine stopped\n");
}

void Engine::addForm(UI::Form* form)
{
    WindowManager::instance().addWindow(form);
    renderManager->add2DChild(form);
    forms.push_back(form);
    static_cast<IRenderableObject*>(form)->prepare(*driver);
}

// Every view is filled. A monitor of the display mode's shape (within a percent of its size) and a
// host's window of a shape between 4:3 and 16:9 show the mode's layout scaled to them; a monitor of
// another such shape shows the scene laid out at its own size; a view of a shape outside that range
// shows a crop of the scene laid out at 4:3 or 16:9 to cover it (SceneLayout.h).
void Engine::placeViews(const std::vector<Types::Rect>& monitors, bool fit)
{
    views.clear();
    layouts.clear();
    for (const Types::Rect& monitor : monitors)
        placeView(monitor, fit);
    if (views.empty())
        placeView(surface, false);
    bool cropped = false;
    for (const ViewLayout& layout : layouts)
        cropped = cropped || !sameRect(layout.frame, Types::Rect{0, 0, layout.width, layout.height});
    if (views.size() > 1 || !sameRect(views.front(), surface) || cropped) {
        std::string text = "Showing the scene in";
        for (std::size_t i = 0; i < views.size(); ++i) {
            const Types::Rect& view = views[i];
            const Types::Rect& frame = layouts[i].frame;
            text += " " + std::to_string(view.width) + "x" + std::to_string(view.height) + "+" +
                    std::to_string(view.x) + "+" + std::to_string(view.y);
            if (!sameRect(frame, Types::Rect{0, 0, layouts[i].width, layouts[i].height}))
                text += " (cropped from " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                        " at " + std::to_string(-frame.x) + "," + std::to_string(-frame.y) + ")";
        }
        Log::instance().write(text + "\n");
    }
}

void Engine::placeView(const Types::Rect& monitor, bool fit)
{
    bool modeShape = !fit || width <= 0 || height <= 0;
    if (!modeShape) {
        const double scale = std::min(double(monitor.width) / width, double(monitor.height) / height);
        const int w = int(std::lround(width * scale));
        const int h = int(std::lround(height * scale));
        modeShape = monitor.width - w <= monitor.width / 100 && monitor.height - h <= monitor.height / 100;
    }
    const SceneLayout crop = sceneLayoutFor(monitor.width, monitor.height);
    ViewLayout layout;
    if (crop.cropped) {
        // A monitor draws in its own pixels. A host's window draws at the display mode's scale along
        // the side the frame spans whole, as the mode's layout scaled into it would: the texts keep
        // their size in a window of almost a designed shape.
        double scale = 1.0;
        if (!fit && width > 0 && height > 0)
            scale = crop.width == monitor.width ? double(monitor.width) / width : double(monitor.height) / height;
        auto units = [scale](std::int32_t pixels) { return std::int32_t(std::lround(pixels / scale)); };
        layout.width = std::max(1, units(monitor.width));
        layout.height = std::max(1, units(monitor.height));
        const std::int32_t frameWidth = std::max(units(crop.width), layout.width);
        const std::int32_t frameHeight = std::max(units(crop.height), layout.height);
        layout.frame = Types::Rect{-std::min(units(crop.x), frameWidth - layout.width),
                                   -std::min(units(crop.y), frameHeight - layout.height), frameWidth, frameHeight};
    } else if (modeShape) {
        layout.width = width;
        layout.height = height;
        layout.frame = Types::Rect{0, 0, width, height};
    } else {
        layout.width = monitor.width;
        layout.height = monitor.height;
        layout.frame = Types::Rect{0, 0, monitor.width, monitor.height};
    }
    views.push_back(monitor);
    layouts.push_back(layout);
}

std::vector<Types::Rect> Engine::framesOnScreen() const
{
    std::vector<Types::Rect> frames;
    for (std::size_t i = 0; i < views.size() && i < layouts.size(); ++i) {
        const ViewLayout& layout = layouts[i];
        const Types::Rect& view = views[i];
        const double sx = layout.width > 0 ? double(view.width) / layout.width : 0.0;
        const double sy = layout.height > 0 ? double(view.height) / layout.height : 0.0;
        frames.push_back(Types::Rect{view.x + int(std::lround(layout.frame.x * sx)),
                                     view.y + int(std::lround(layout.frame.y * sy)),
                                     int(std::lround(layout.frame.width * sx)),
                                     int(std::lround(layout.frame.height * sy))});
    }
    return frames;
}

void Engine::placeHostViews()
{
    if (hostHandle != Platform::rootWindow()) {
        placeViews({surface}, false);
        return;
    }
    // The root window lies over every monitor.
    std::vector<Types::Rect> monitors;
    for (const Platform::MonitorArea& area : Platform::monitorAreas())
        monitors.push_back(Types::Rect{area.x, area.y, area.width, area.height});
    placeViews(monitors, monitors.size() > 1);
}

void Engine::followLayout()
{
    if (!hostWindow) {
        followScreen();
        return;
    }
    if (!hostWindow->layoutChanged())
        return;
    Types::Rect now;
    hostWindow->clientSize(now.width, now.height);
    if (now.width <= 0 || now.height <= 0)
        return;
    surface = now;
    placeHostViews();
    useSurface();
}

void Engine::followScreen()
{
    if (!glWindow || !glWindow->layoutChanged() || !glWindow->followScreen())
        return;
    surface = glWindow->getSurface();
    placeViews(glWindow->getMonitors(), true);
    useSurface();
}

void Engine::useSurface()
{
    driver->setViewport(surface.width, surface.height);
    const std::string size = std::to_string(surface.width) + "x" + std::to_string(surface.height);
    Log::instance().write("Drawing into " + size + " now\n");
    trace("layout followed: " + size);
}

void Engine::drawInViews(const std::function<void()>& draw, bool scene)
{
    const ViewLayout modeLayout{width, height, Types::Rect{0, 0, width, height}};
    // One view over the whole window: the viewport set in start stays.
    if (views.size() == 1 && sameRect(views.front(), surface)) {
        useLayout(scene ? layouts.front() : modeLayout);
        draw();
        return;
    }
    for (std::size_t i = 0; i < views.size(); ++i) {
        driver->setView(views[i], surface.width, surface.height);
        useLayout(scene ? layouts[i] : modeLayout);
        draw();
    }
}

void Engine::useLayout(const ViewLayout& layout)
{
    driver->setDrawingSize(layout.width, layout.height);
    const Types::Rect shown{0, 0, layout.width, layout.height};
    for (UI::Form* form : forms)
        form->layOut(layout.frame, shown);
}

Types::Rect Engine::windowRect() const
{
    Types::Rect rect;
    rect.width = width;
    rect.height = height;
    return rect;
}

void Engine::quit()
{
    Platform::postQuitMessage(0);
}

void Engine::keyDown(unsigned long code)
{
    WindowManager::instance().keyDown(code);
}

void Engine::keyUp(unsigned long code)
{
    WindowManager::instance().keyUp(code);
}

void Engine::mouseMove(Types::Point motion)
{
    WindowManager::instance().mouseMove(motion);
}

void Engine::keyReleased(unsigned long code, char character)
{
    WindowManager::instance().keyReleased(code, character);
}

void Engine::keyPressed(unsigned long code, char character)
{
    // Its press never reaches a window (its release does).
    if (code == GraveAccentKey)
        return;
    WindowManager::instance().keyPressed(code, character);
}

bool Engine::acceptsInput()
{
    return true;
}

} // namespace System
