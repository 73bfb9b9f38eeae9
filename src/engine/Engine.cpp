#include "engine/Engine.h"

#include "engine/CommandRegistry.h"
#include "base/Exception.h"
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"
#include "engine/LevelFactory.h"
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
#include "platform/DisplayWindow.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/SystemInfo.h"

#include <boost/bind/bind.hpp>

#include <cstdlib>

namespace System {

namespace {

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
    delete renderManager;
    delete driver;
    delete glWindow;
}

void Engine::start(Platform::NativeHandle host)
{
    DisplayMode mode = settings ? settings->displayMode() : DisplayMode{1024, 768, 16, true};
    width = mode.width;
    height = mode.height;
    depth = mode.depth;
    fullScreen = mode.fullScreen;
    if (host) {
        // A host's window is drawn in its own size: no mode switch, no full screen of our own.
        hostWindow = Platform::DisplayWindow::adopt(host);
        if (!hostWindow)
            throw Exception(Platform::DisplayWindow::lastError());
        hostWindow->clientSize(width, height);
        fullScreen = false;
    }

    Log::instance().write("Starting engine\n");
    Log::instance().write("Initializing engine\n");

    try {
        glWindow = new GLWindow(EngineVersion, width, height, depth, fullScreen);
    } catch (const Exception& e) {
        errorBoxAndExit(0, e.message());
    }
    try {
        driver = new GLDriver(width, height, depth);
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

    renderManager = new RenderManager();

    Platform::DeviceContext dc = hostWindow.get();
    if (!host) {
        glWindow->create();
        glWindow->show();
        dc = glWindow->deviceContext();
    }
    trace("window shown");
    driver->start(dc);
    trace("GL driver started");
    driver->setViewport(width, height);
    driver->enableLighting();
    try {
        renderManager->prepare(*driver);
    } catch (const Exception& e) {
        Platform::messageBox(glWindow->handle(), "RenderManager initialization\n" + e.message(), "ERROR",
                             Platform::MessageBoxButtons::Ok, Platform::MessageBoxIcon::Error);
    }

    loadingScreen = levelFactory->createLoadingScreen(windowRect());
    loadingScreen->prepare(*driver);
    loadingScreen->render(*driver);
    driver->swapBuffers();
    trace("loading picture on screen");

    InputManager::instance().init(host ? 0 : glWindow->handle());
    Log::instance().write("Engine started\n");
}

void Engine::frame()
{
    try {
        InputManager::instance().poll();
        driver->beginFrame();
        Timer& timer = Timer::instance();
        timer.update();
        double dt = timer.elapsed();
        FXManager::instance().update(dt);
        renderManager->update(dt);
        SoundManager::instance().update();
        timer.mark();
        renderManager->render(*driver);
        driver->swapBuffers();
        if (++frames == 1)
            trace("first frame on screen");
    } catch (const Exception& e) {
        stop();
        errorBoxAndExit(0, e.message());
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
    static_cast<IRenderableObject*>(form)->prepare(*driver);
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
    if (code == 41)
        return;
    WindowManager::instance().keyPressed(code, character);
}

bool Engine::acceptsInput()
{
    return true;
}

} // namespace System
