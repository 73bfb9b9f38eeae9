#pragma once
// The tile cache of planned frames: a texture of the viewport's size holding, for each tile, the
// composite of the plan's quads below depth[t] (0: nothing held). A quad that differs from the one
// at its place in the last plan empties every tile it covered then or covers now and whose copy
// holds it; a tile is filled (copied right after the quad below its new depth is drawn) up to the
// first quad drawn there that has changed within the last frames. Only a frame's first plan takes
// part: every later plan of the frame draws over it unchanged.
#include "engine/PlannedQuad.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace System {
class FragmentPrograms;
class FramePlan;

class TileCache {
public:
    // The cache for this viewport (x, y, width, height in GL window coordinates) showing a scene of
    // sceneWidth x sceneHeight: a new one when the viewport, the scene's size or any texture changed
    // (uploads counts them) since it was started. False when the driver cannot hold a texture of the
    // viewport's size. copyProgram: the copy may be drawn by fragment program.
    bool prepare(const int viewport[4], int sceneWidth, int sceneHeight, std::size_t tiles, unsigned uploads,
                 FragmentPrograms& programs, bool copyProgram);
    // Marks what changed since the last first plan; cover holds each quad's tile masks.
    void noteChanges(const std::vector<PlannedQuad>& planned, const std::uint8_t* cover, std::size_t tiles);
    // After the plan's own masks: where the copy stands in for the quads below its depth (their
    // masks cleared there), and which tiles are copied up to which quad this frame.
    void plan(std::size_t count, std::uint8_t* cover, std::size_t tiles);
    // The copy over the tiles it stands in for, texel for texel, blending off.
    void drawCopy(FramePlan& plan, FragmentPrograms& programs);
    // After quad `drawn` (counting from 1) is drawn: copies the tiles filled up to it.
    void fillAfter(FramePlan& plan, std::size_t drawn);

    // Per tile, for the plan's resolve: the topmost quad opaque there, or -1.
    int* hiddenBy() { return hidden.data(); }
    bool firstPlan = false;  // the next plan is the frame's first
    // Forgets everything: the cache's texture went with its context.
    void reset() { *this = TileCache(); }

private:
    unsigned int texture = 0;
    int textureWidth = 0, textureHeight = 0;
    int viewport[4] = {0, 0, 0, 0};
    int drawing[2] = {0, 0};  // the scene's size mapped onto that viewport
    unsigned generation = 0;  // uploads seen when the cache was started
    long frame = 0;           // planned frames so far
    bool filling = false;     // some tile of this plan is copied (most frames: none)
    std::vector<std::uint8_t> depth, fillAt, use;
    std::vector<PlannedQuad> last;          // the last first-plan's quads
    std::vector<std::uint8_t> lastCover;    // and the tiles each covered
    std::vector<long> changed;              // per place in the plan: the frame it last changed
    std::vector<int> hidden;                // per tile: the topmost quad opaque there, or -1
    bool askedBgra = false;                 // the texture was asked for in BGRA order
    bool bgra = false;                      // and keeps it
    bool useProgram = false;                // this cache draws its copy by fragment program
    unsigned int copyProgram = 0;           // that program
    bool started = false;                   // a cache was started in this context
};

} // namespace System
