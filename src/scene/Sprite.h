#pragma once
// A sprite is one Sprite<Policy>. A policy is a class with public state, default-constructed to its
// initial values, and two operations:
//     void update(double seconds);
//     void render(GLDriver& driver, const Types::Rect& rect, Texture* texture);
// The sprite inherits the policy, so the builder writes the policy's members on the sprite itself
// (sprite->colour, sprite->frames.push_back(...)). Picture policies derive from picture_policy.
#include "base/Types.h"
#include "scene/BaseSprite.h"

#include <cstdlib>

namespace System {
class Texture;

// The destination rectangle: fractions of the area's size, truncated toward zero, plus the offset
// in pixels. The area's position does not enter it.
inline Types::Rect destinationRect(Types::PointF topLeft, Types::PointF bottomRight, Types::Point offset,
                                   const Types::Rect* area)
{
    const float w = area ? float(area->width) : 0.0f;
    const float h = area ? float(area->height) : 0.0f;
    const std::int32_t x0 = offset.x + std::int32_t(topLeft.x * w);
    const std::int32_t y0 = offset.y + std::int32_t(topLeft.y * h);
    const std::int32_t x1 = offset.x + std::int32_t(bottomRight.x * w);
    const std::int32_t y1 = offset.y + std::int32_t(bottomRight.y * h);
    Types::Rect rect;
    rect.x = x0;
    rect.y = y0;
    rect.width = std::abs(x1 - x0);
    rect.height = std::abs(y1 - y0);
    return rect;
}

template <class Policy>
class Sprite : public BaseSprite, public Policy {
public:
    // topLeft and bottomRight are fractions of area's size; area is only read here (null reads as
    // an empty area).
    Sprite(Types::PointF topLeft, Types::PointF bottomRight, Types::Point offset, const Types::Rect* area)
        : rect(destinationRect(topLeft, bottomRight, offset, area))
    {
    }

    void update(double seconds) override { Policy::update(seconds); }
    void render(GLDriver& driver) override { Policy::render(driver, rect, texture); }

    // Not owned: the texture cache owns it. Null until the builder assigns it.
    Texture* texture = nullptr;
    Types::Rect rect;  // fixed at construction
};

} // namespace System
