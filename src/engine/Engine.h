#pragma once
#include "base/Types.h"
#include "engine/DrawingOptions.h"
#include "engine/EngineSettings.h"
#include "engine/PowerWatch.h"
#include "engine/ui/KeyListener.h"
#include "platform/Handle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

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
    GLWindow* window() const { return glWindow.get(); }
    // The scene's rectangle: the display mode's size, whatever the size of the window it is shown in.
    Types::Rect windowRect() const;
    // Where each frame is shown, in the window's pixels: the whole of a host's window; on several
    // monitors one part per monitor, each filled.
    const std::vector<Types::Rect>& getViews() const { return views; }
    // How a view shows the scene: the 2D drawing size over it, and where the scene's whole frame lies
    // in that drawing. A view of a shape between 4:3 and 16:9 shows the whole frame: the display mode's
    // layout scaled to it, or (a monitor of another shape than the mode's) a layout at its own size. A
    // view of any other shape shows a crop of a 4:3 or 16:9 frame that covers it (SceneLayout.h), drawn
    // in the monitor's own pixels or, in a host's window, at the display mode's scale.
    struct ViewLayout {
        std::int32_t width = 0;
        std::int32_t height = 0;
        Types::Rect frame;
    };
    const std::vector<ViewLayout>& getLayouts() const { return layouts; }
    // Each view's whole scene frame in the window's pixels: the view itself, or larger where it is a crop.
    std::vector<Types::Rect> framesOnScreen() const;
    void quit();

    void keyDown(unsigned long code) override;
    void keyUp(unsigned long code) override;
    void mouseMove(Types::Point motion) override;
    void keyReleased(unsigned long code, char character) override;
    void keyPressed(unsigned long code, char character) override;
    bool acceptsInput() override;

    // The key left of 1 on a US keyboard (DirectInput's DIK_GRAVE, a scan code).
    static constexpr unsigned long GraveAccentKey = 41;
    // Longest frame step taken as measured; a longer one (a stop, a sleep, a dark display) is taken
    // as one frame at the ceiling in force.
    static constexpr double LongestStep = 1.0;
    // How long a turn of the loop rests while nothing is drawn: input is still read between rests.
    static constexpr double HeldRestSeconds = 0.05;
    // Replaces where the engine learns of the display's power, the window's visibility and the
    // battery (tests); the window's own visibility stays unless the sources name their own.
    void setPowerSources(PowerWatch::Sources sources);
    // Frames drawn so far, and whether drawing is held back now.
    std::uint64_t getFramesDrawn() const { return frames; }
    bool isDrawingHeld() const { return drawingHeld; }

    GLDriver* getDriver() const { return driver.get(); }
    RenderManager* getRenderManager() const { return renderManager.get(); }
    Object* getLoadingScreen() const { return loadingScreen; }

    // Set by the owner before start; not owned.
    EngineSettings* settings = nullptr;
    // The driver's ways of drawing (benchmarks switch them); set before start.
    DrawingOptions drawingOptions;

private:
    void placeViews(const std::vector<Types::Rect>& monitors, bool fit);
    void placeView(const Types::Rect& monitor, bool fit);
    // The drawing size and every form's layout for the view drawn next.
    void useLayout(const ViewLayout& layout);
    // The views over a host's window: the root window shows the scene on each monitor.
    void placeHostViews();
    // After the window drawn into was resized or the screen's layout changed: the surface read again,
    // the views placed again and the viewport set to the new size.
    void followLayout();
    // The same for a full-screen window of our own when the screen changed: placed over it again.
    void followScreen();
    // The viewport set to a new surface (the views placed already).
    void useSurface();
    // Runs draw once per view with the driver drawing into that view: the scene in each view's layout,
    // anything else (the loading picture) over the display mode's size.
    void drawInViews(const std::function<void()>& draw, bool scene);
    // Asks the power watch; false when this turn draws nothing. Pauses and resumes the sounds.
    bool drawingWanted();
    bool windowShown() const;

    std::unique_ptr<GLWindow> glWindow;
    std::unique_ptr<GLDriver> driver;
    LevelFactory* levelFactory;
    std::unique_ptr<RenderManager> renderManager;
    Object* loadingScreen = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    bool fullScreen = false;
    std::uint64_t frames = 0;  // frames drawn, for the trace
    std::unique_ptr<Platform::DisplayWindow> hostWindow;
    Platform::NativeHandle hostHandle = 0;  // the host's window drawn into; 0 for a window of our own
    Types::Rect surface;              // the window drawn into, in its own pixels
    std::vector<Types::Rect> views;   // parts of surface that show the scene
    std::vector<ViewLayout> layouts;  // one per view
    std::vector<UI::Form*> forms;     // as added; not owned
    std::unique_ptr<PowerWatch> power;
    bool drawingHeld = false;
    double heldSince = 0.0;
};

} // namespace System
