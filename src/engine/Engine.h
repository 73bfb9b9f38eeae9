#pragma once
#include "base/Types.h"
#include "engine/EngineSettings.h"
#include "engine/ui/KeyListener.h"
#include "platform/Handle.h"

#include <cstdint>
#include <memory>

namespace System {
namespace UI {
class Form;
}
class GLDriver;
class GLWindow;
class LevelFactory;
class Object;
class RenderManager;

// Opens the display, runs one frame at a time, and stands first in the input chain.
class Engine final : public IO::KeyListener {
public:
    explicit Engine(LevelFactory& factory);
    ~Engine();

    // A null host opens the engine's own display window; otherwise the engine draws into the host's.
    void start(Platform::NativeHandle host);
    void frame();
    void stop();
    void addForm(UI::Form* form);
    GLWindow* window() const { return glWindow; }
    Types::Rect windowRect() const;
    void quit();

    void keyDown(unsigned long code) override;
    void keyUp(unsigned long code) override;
    void mouseMove(Types::Point motion) override;
    void keyReleased(unsigned long code, char character) override;
    void keyPressed(unsigned long code, char character) override;
    bool acceptsInput() override;

    GLDriver* getDriver() const { return driver; }
    RenderManager* getRenderManager() const { return renderManager; }
    Object* getLoadingScreen() const { return loadingScreen; }

    // Set by the owner before start; not owned.
    EngineSettings* settings = nullptr;

private:
    void fail(const std::string& message);

    GLWindow* glWindow = nullptr;
    GLDriver* driver = nullptr;
    LevelFactory* levelFactory;
    RenderManager* renderManager = nullptr;
    Object* loadingScreen = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    bool fullScreen = false;
    std::uint64_t frames = 0;  // frames drawn, for the trace
    std::unique_ptr<Platform::DisplayWindow> hostWindow;
};

} // namespace System
