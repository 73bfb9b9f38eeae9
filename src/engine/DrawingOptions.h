#pragma once
// The driver's ways of drawing a frame, each on unless switched off; the same pixels every way.
// Owned by each GLDriver; benchmarks and tests switch them to measure or compare the ways.

namespace System {

struct DrawingOptions {
    // Planned frames: from beginFrame to swapBuffers textured quads are queued and drawn together,
    // each only over the screen tiles where it can change a pixel and that no later opaque quad of
    // the batch covers, unblended where it is opaque itself. The 2D engine never tests depth, so a
    // planned window needs no depth buffer (which keeps Mesa's software renderer on its fast path
    // for unblended spans): the context is asked for one only without planning.
    bool framePlanning = true;
    // The tile cache of planned frames: where the lower quads of a tile have not changed for a while,
    // their composite is copied from the frame into a texture once and drawn from there later.
    bool frameCache = true;
    // The tile cache's copy drawn by a fragment program of one texture read (read when a cache
    // starts). Mesa's software renderer draws it along its scanline fast path.
    bool copyProgram = true;
    // The plan's quads drawn by a fragment program of one texture read and one multiply (what
    // fixed-function GL_MODULATE computes; read by each plan): fixed-function texturing divides
    // every coordinate by q.
    bool quadProgram = true;
    // Unplanned textured quads drawn only over their covered cells; false draws each whole.
    bool coveredDrawing = true;
};

} // namespace System
