// Every quad is still drawn whole, limited by the scissor box, so each pixel drawn samples exactly
// what drawing the whole quad would have sampled.
#include "engine/QuadPlanner.h"

#include "engine/QuadVertices.h"
#include "engine/Texture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace System {

namespace {

bool isIdentity(const float* m)
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5 == 0) ? 1.0f : 0.0f))
            return false;
    return true;
}

} // namespace

void QuadPlanner::queue(const Types::Rect& rect, Texture* texture, const float colour[4])
{
    if (planned.capacity() < PlanCapacity)
        planned.reserve(PlanCapacity);
    PlannedQuad quad;
    quad.texture = texture;
    quad.covered = &texture->getCoverageCells();
    quad.solid = &texture->getOpaqueCells();
    quad.glName = texture->getGlName();
    quad.rect = rect;
    std::copy(colour, colour + 4, quad.colour);
    glGetFloatv(GL_MODELVIEW_MATRIX, quad.matrix);
    quad.identity = isIdentity(quad.matrix);
    planned.push_back(quad);
}

// Scissored draws of the whole quad over the tiles whose mask value is `want`.
void QuadPlanner::drawTiles(const std::uint8_t* mask, std::uint8_t want, const Types::Rect& rect)
{
    framePlan.forEachBox(mask, want, [&](int left, int top, int right, int bottom) {
        glScissor(viewport[0] + left, viewport[1] + viewport[3] - bottom, right - left, bottom - top);
        glBegin(GL_QUADS);
        quadVertices(rect, 0.0f, 0.0f, 1.0f, 1.0f);
        glEnd();
    });
}

void QuadPlanner::plan(int sceneWidth, int sceneHeight, unsigned uploads, const DrawingOptions& options,
                       bool cacheable)
{
    glGetIntegerv(GL_VIEWPORT, viewport);
    framePlan.setArea(viewport[2], viewport[3], sceneWidth, sceneHeight);
    const std::size_t tiles = framePlan.getTiles();
    const std::size_t count = planned.size();
    if (tileCover.size() < PlanCapacity * tiles) {
        tileCover.resize(PlanCapacity * tiles);
        tileOpaque.resize(PlanCapacity * tiles);
    }
    caching = cache.firstPlan && options.frameCache && cacheable && tiles > 0 &&
              cache.prepare(viewport, sceneWidth, sceneHeight, tiles, uploads, programs, options.copyProgram);
    cache.firstPlan = false;

    for (std::size_t i = 0; i < count; ++i)
        framePlan.markTiles(planned[i], &tileCover[i * tiles], &tileOpaque[i * tiles]);
    if (caching)
        cache.noteChanges(planned, tileCover.data(), tiles);

    // A tile is drawn only where no later quad hides it, unblended where the quad replaces it whole.
    framePlan.resolve(count, tileCover.data(), tileOpaque.data(), caching ? cache.hiddenBy() : nullptr);
    if (caching)
        cache.plan(count, tileCover.data(), tiles);
}

void QuadPlanner::draw(const DrawingOptions& options)
{
    const std::size_t tiles = framePlan.getTiles();
    const std::size_t count = planned.size();
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    if (caching)
        cache.drawCopy(framePlan, programs);
    const unsigned int program = programs.quads(options.quadProgram);
    if (program)
        programs.use(program);
    for (std::size_t i = 0; i < count; ++i) {
        const PlannedQuad& quad = planned[i];
        const std::uint8_t* mask = &tileCover[i * tiles];
        bool any = false, anyOpaque = false;
        for (std::size_t t = 0; t < tiles; ++t) {
            any = any || mask[t] == 1;
            anyOpaque = anyOpaque || mask[t] == 2;
        }
        if (any || anyOpaque) {
            glLoadMatrixf(quad.matrix);
            glColor4fv(quad.colour);
            glBindTexture(GL_TEXTURE_2D, quad.glName);
            if (anyOpaque) {
                glDisable(GL_BLEND);
                drawTiles(mask, 2, quad.rect);
                glEnable(GL_BLEND);
            }
            if (any)
                drawTiles(mask, 1, quad.rect);
        }
        if (caching)
            cache.fillAfter(framePlan, i + 1);
    }
    if (program)
        programs.use(0);
    glDisable(GL_SCISSOR_TEST);
    planned.clear();
}

void QuadPlanner::releaseContext()
{
    planned.clear();
    cache.reset();
    programs.reset();
}

} // namespace System
