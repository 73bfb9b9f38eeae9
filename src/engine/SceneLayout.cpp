#include "engine/SceneLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace System {

namespace {

constexpr long long Largest = std::numeric_limits<std::int32_t>::max();

// Where a view that shows `shown` (0..1) of the scene's width starts, as a fraction of that width. The
// deer comes first, whole: its body in bg2 from 0.42, its head reaching 0.635. Room left over goes
// to its left, to the rabbit's log (0.21-0.27), then to the big tree with the woodpecker (0.03-0.16);
// the right of the scene holds only ferns.
double startAcross(double shown)
{
    const double deerLeft = 0.42, deerRight = 0.635;
    if (shown >= deerRight - deerLeft)
        return deerRight - shown;
    return (deerLeft + deerRight - shown) / 2;
}

// Where a view that shows `shown` of the scene's height starts, as a fraction of that height. The deer
// with its legs and the rabbit's log (0.60-0.83) come first; room left over goes upwards to the
// woodpecker on the trunk (from 0.33); once both fit, the band between them is centred and the rest
// shared between the canopy above and the forest floor below.
double startDown(double shown)
{
    const double top = 0.33, deerTop = 0.60, bottom = 0.83;
    if (shown >= bottom - top)
        return (top + bottom - shown) / 2;
    if (shown >= bottom - deerTop)
        return bottom - shown;
    return (deerTop + bottom - shown) / 2;
}

// The offset of a view `shown` pixels long in a scene `whole` pixels long, from a fraction of it:
// never past either end.
std::int32_t place(double start, long long whole, long long shown)
{
    const long long at = std::llround(start * double(whole));
    return std::int32_t(std::clamp(at, 0LL, whole - shown));
}

} // namespace

bool designedShape(std::int32_t width, std::int32_t height)
{
    if (width <= 0 || height <= 0)
        return false;
    const long long w = width, h = height;
    if (w * 3 >= h * 4 && w * 9 <= h * 16)
        return true;
    // Within half a pixel of either shape (1366x768): the frame that would cover the view, rounded to
    // whole pixels, is the view itself.
    if (w * 9 > h * 16)
        return (w * 18 + 16) / 32 == h;
    return (h * 8 + 3) / 6 == w;
}

SceneLayout sceneLayoutFor(std::int32_t viewWidth, std::int32_t viewHeight)
{
    SceneLayout layout;
    layout.width = viewWidth;
    layout.height = viewHeight;
    if (viewWidth <= 0 || viewHeight <= 0 || designedShape(viewWidth, viewHeight))
        return layout;
    const long long w = viewWidth, h = viewHeight;
    layout.cropped = true;
    if (w * 3 < h * 4) {
        // Taller than 4:3: 4:3 as high as the view, rounded up so that it covers the view's width.
        const long long across = std::min((h * 4 + 2) / 3, Largest);
        layout.width = std::int32_t(across);
        layout.x = place(startAcross(double(w) / double(across)), across, w);
    } else {
        // Wider than 16:9: 16:9 as wide as the view, rounded up so that it covers the view's height.
        const long long down = std::min((w * 9 + 15) / 16, Largest);
        layout.height = std::int32_t(down);
        layout.y = place(startDown(double(h) / double(down)), down, h);
    }
    return layout;
}

} // namespace System
