#pragma once
#include "engine/Signal.h"
#include "engine/ui/Form.h"

#include <functional>
#include <string>
#include <vector>

namespace System {
class BaseSprite;
class Sound;
} // namespace System

namespace System::Windows {

// The forest scene: layered sprites, optional clock and frame-rate texts, ambient sounds; ends the
// run on a released key or, once armed, on mouse movement.
class Forest : public UI::Form {
public:
    Forest(int x, int y, int width, int height);
    ~Forest() override;

    void setShowFps(bool value) { showFps = value; }
    void setShowTime(bool value) { showTime = value; }
    void setTwelveHourClock(bool value) { twelveHourClock = value; }
    void setExitOnMouseMove(bool value) { exitOnMouseMove = value; }
    // Which picture set prepare loads: 1 or 2 (SSLevelFactory::pictureScale); anything else counts as 1.
    void setPictureScale(int value) { pictureScale = value == 2 ? 2 : 1; }
    int getPictureScale() const { return pictureScale; }

    Signal<void()> quitRequested;

    // Clears the colour buffer, then draws every sprite in order.
    void render(GLDriver& driver) override;
    // Builds the scene: the two sounds, a sprite for each row of ForestLayers, the optional clock and
    // frame-rate texts, one batch upload, then the bird song. Throws the resource or decoder Exception, leaving it half-built.
    void prepare(GLDriver& driver) override;
    // Places every sprite again in that frame (only its size and position count), the texts at their
    // fractions of the part shown; prepare lays the scene out over the form's own size.
    void layOut(const Types::Rect& frame, const Types::Rect& shown) override;
    // Arms once more than 3 s of frame time have passed, then updates every sprite.
    void update(double seconds) override;
    // Runs "quit" when armed and mouse movement may end the run.
    void mouseMove(Types::Point motion) override;
    // The space bar emits quitRequested; any other key runs "quit", armed or not.
    void keyReleased(unsigned long code, char character) override;

    bool isArmed() const { return armed; }
    float getElapsed() const { return elapsed; }
    const std::vector<BaseSprite*>& getSprites() const { return sprites; }
    // The sprite of a layer by its name in ForestLayers, or "clock" or "fps"; null when there is none.
    BaseSprite* sprite(const std::string& name) const;
    Sound* getBirdsSound() const { return birdsSound; }
    Sound* getWoodpeckerSound() const { return woodpeckerSound; }

private:
    float elapsed = 0.0f;
    float armDelay = 3.0f;
    bool armed = false;
    bool showTime = true;
    bool twelveHourClock = true;
    bool showFps = false;
    bool exitOnMouseMove = true;
    int pictureScale = 1;
    Sound* birdsSound = nullptr;
    Sound* woodpeckerSound = nullptr;
    std::vector<BaseSprite*> sprites;
    std::vector<std::string> spriteNames;  // each sprite's name, in the same order
    // Each sprite's placing in a frame and a part shown, in the same order.
    std::vector<std::function<void(const Types::Rect&, const Types::Rect&)>> placers;
    Types::Rect laidFrame, laidShown;  // the layout the sprites stand in now
};

} // namespace System::Windows
