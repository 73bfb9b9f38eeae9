#pragma once
#include "engine/ui/RenderableControl.h"

namespace System {
class Texture;
}

namespace System::Windows {

// The blank level: draws nothing over the frame's clear; its prepare uploads a black texture.
class BlackScreen : public UI::RenderableControl {
public:
    BlackScreen();

    void render(GLDriver& driver) override;
    // Creates (or finds) the 1024 x 1024 black texture "black" and uploads it.
    void prepare(GLDriver& driver) override;
    void update(double seconds) override;

    Texture* getTexture() const { return texture; }

private:
    Texture* texture = nullptr;  // owned by the resource manager
};

} // namespace System::Windows
