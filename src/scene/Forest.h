#pragma once
#include "engine/Signal.h"
#include "engine/ui/Form.h"

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

    Signal<void()> quitRequested;

    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;
    void update(double seconds) override;
    void mouseMove(Types::Point motion) override;
    void keyReleased(unsigned long code, char character) override;

    bool isArmed() const { return armed; }
    float getElapsed() const { return elapsed; }
    const std::vector<BaseSprite*>& getSprites() const { return sprites; }

private:
    float elapsed = 0.0f;
    float armDelay = 3.0f;
    bool armed = false;
    bool showTime = true;
    bool twelveHourClock = true;
    bool showFps = false;
    bool exitOnMouseMove = true;
    Sound* birdsSound = nullptr;
    Sound* woodpeckerSound = nullptr;
    std::vector<BaseSprite*> sprites;
};

} // namespace System::Windows
