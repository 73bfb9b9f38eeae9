#pragma once
// The GL side of a planned frame: textured quads queued during a frame and drawn together, each over
// the screen tiles where it can change a pixel and no later opaque quad of the batch hides it, with
// blending off where it is opaque itself, and through the tile cache where the layers stand still.
// The arithmetic is FramePlan's; every store is sized once (and again only when the viewport grows),
// so a planned frame allocates nothing.
#include "engine/DrawingOptions.h"
#include "engine/FragmentPrograms.h"
#include "engine/FramePlan.h"
#include "engine/PlannedQuad.h"
#include "engine/TileCache.h"

#include <cstdint>
#include <vector>

namespace System {
class Texture;

class QuadPlanner {
public:
    bool empty() const { return planned.empty(); }
    bool full() const { return planned.size() == PlanCapacity; }
    // Queues the quad with the current model-view matrix; the caller draws the plan first when full.
    void queue(const Types::Rect& rect, Texture* texture, const float colour[4]);
    // A new frame: its first plan may take part in the tile cache.
    void beginFrame(bool cacheTakesPart) { cache.firstPlan = cacheTakesPart; }
    // Works out the queued quads' tiles for the current viewport, a scene of sceneWidth x
    // sceneHeight units; then draw() draws them (in the driver's 2D state) and empties the queue.
    // uploads counts the textures sent so far: a texture's name may show new pixels after one.
    // cacheable: the frame's pixels may be copied back into the tile cache (GLContext::ownsBackBuffer).
    void plan(int sceneWidth, int sceneHeight, unsigned uploads, const DrawingOptions& options, bool cacheable);
    void draw(const DrawingOptions& options);
    void clear() { planned.clear(); }
    // The context is gone, and the cache's texture and the programs with it.
    void releaseContext();

private:
    void drawTiles(const std::uint8_t* mask, std::uint8_t want, const Types::Rect& rect);

    std::vector<PlannedQuad> planned;
    FramePlan framePlan;
    std::vector<std::uint8_t> tileCover, tileOpaque;
    int viewport[4] = {0, 0, 0, 0};
    bool caching = false;  // this plan takes part in the tile cache
    TileCache cache;
    FragmentPrograms programs;
};

} // namespace System
