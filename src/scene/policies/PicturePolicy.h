#pragma once
#include "engine/GLDriver.h"
#include "base/Types.h"

namespace System {
class Texture;

// The state every picture policy starts with, and the base drawing step they share.
struct picture_policy {
    Types::Colour colour;  // opaque white

protected:
    // The texture stretched over rect, tinted by colour, with the 2D mode's blending.
    void drawPicture(GLDriver& driver, const Types::Rect& rect, Texture* texture) const
    {
        driver.drawQuad(rect, texture, colour);
    }
};

} // namespace System
