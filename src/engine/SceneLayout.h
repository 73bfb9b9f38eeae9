#pragma once
// The shape the scene is laid out at for a view. The pictures are painted for shapes from 4:3 to 16:9:
// a view of such a shape shows the scene laid out at its own size. A taller view shows the scene laid
// out at 4:3, a wider one at 16:9, in either case just large enough to cover the view, undistorted; the
// view then shows a part of it, placed around the animals and the big tree.
#include <cstdint>

namespace System {

struct SceneLayout {
    // The whole scene's size, in the view's pixels: the view's own size unless it is cropped.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The view's top-left corner inside the whole scene; the view reaches width and height of its own
    // from there, never past the scene's edges.
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool cropped = false;
};

// True for a size whose shape lies between 4:3 and 16:9, both included, or within half a pixel of
// either (1366x768 counts as 16:9); false for an empty size.
bool designedShape(std::int32_t width, std::int32_t height);

// The layout for a view of that size. An empty or negative size is laid out as it is, uncropped.
SceneLayout sceneLayoutFor(std::int32_t viewWidth, std::int32_t viewHeight);

} // namespace System
