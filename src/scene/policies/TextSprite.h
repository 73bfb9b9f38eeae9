#pragma once
#include "engine/GLDriver.h"
#include "base/Types.h"

#include <string>

namespace System {
class Font;
class Texture;

// A text drawn with a bitmap font, produced anew by the text policy T on every update. The text starts
// at `position` (fractions of the rectangle's size, the rectangle's own position not added).
template <class T>
struct text_sprite : T {
    Font* font = nullptr;  // owned by the resource manager
    Types::Colour colour;
    Types::PointF position{0.5f, 0.5f};
    std::string text;

    void update(double) { text = T::text(); }

    void render(GLDriver& driver, const Types::Rect& rect, Texture*)
    {
        // The builder always gives a font; without one there is nothing to draw with.
        if (!font)
            return;
        const float x = position.x * static_cast<float>(rect.width);
        const float y = position.y * static_cast<float>(rect.height);
        driver.drawColouredText(x, y, colour.r, colour.g, colour.b, colour.a, *font, text);
    }
};

} // namespace System
