#pragma once
// Small value types shared by every layer: pixel positions, rectangles, colours, the display mode and
// the sound settings. All are plain structures copied by value.
#include <cstdint>

namespace System {
namespace Types {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct PointF {
    float x = 0.0f;
    float y = 0.0f;
};

// Position, then size, in pixels.
struct Rect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Four floats in 0..1.
struct Colour {
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;
};

// Four bytes in 0..255.
struct Colour32 {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;
};

inline bool operator==(const Point& l, const Point& r) { return l.x == r.x && l.y == r.y; }
inline bool operator==(const Rect& l, const Rect& r)
{
    return l.x == r.x && l.y == r.y && l.width == r.width && l.height == r.height;
}
inline bool operator==(const Colour32& l, const Colour32& r)
{
    return l.r == r.r && l.g == r.g && l.b == r.b && l.a == r.a;
}

} // namespace Types

using Types::Colour;
using Types::Colour32;
using Types::Point;
using Types::PointF;
using Types::Rect;

struct DisplayMode {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    bool fullScreen = false;
};

struct SoundSettings {
    bool soundEnabled = true;
    bool musicEnabled = true;
    std::int32_t volume = 75;
};

} // namespace System
