// The frame plan: textured quads queued during a frame and drawn together, each over the screen tiles
// where it can change a pixel and no later opaque quad of the batch hides it, with blending off
// where it is opaque itself. Every quad is still drawn whole, limited by the scissor box, so each
// pixel drawn samples exactly what drawing the whole quad would have sampled.
#include "engine/GLDriver.h"

#include "engine/FramePlan.h"
#include "engine/Texture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace System {

namespace {

bool g_framePlanning = true;

bool isIdentity(const float* m)
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5 == 0) ? 1.0f : 0.0f))
            return false;
    return true;
}

} // namespace

void GLDriver::setFramePlanning(bool on)
{
    g_framePlanning = on;
}

bool GLDriver::framePlanning()
{
    return g_framePlanning;
}

void GLDriver::queue(const Types::Rect& rect, Texture* texture, const float colour[4])
{
    if (planned.capacity() < PlanCapacity)
        planned.reserve(PlanCapacity);
    if (planned.size() == PlanCapacity)
        drawPlan();
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

void GLDriver::flush()
{
    if (!planned.empty())
        drawPlan();
}


// Scissored draws of the whole quad over the tiles whose mask value is `want`.
void GLDriver::drawTiles(const std::uint8_t* mask, std::uint8_t want, const Types::Rect& rect)
{
    plan.forEachBox(mask, want, [&](int left, int top, int right, int bottom) {
        glScissor(viewport[0] + left, viewport[1] + viewport[3] - bottom, right - left, bottom - top);
        glBegin(GL_QUADS);
        quad(rect, 0.0f, 0.0f, 1.0f, 1.0f);
        glEnd();
    });
}

void GLDriver::drawPlan()
{
    glGetIntegerv(GL_VIEWPORT, viewport);
    plan.setArea(viewport[2], viewport[3], width, height);
    const std::size_t tiles = plan.tiles();
    const std::size_t count = planned.size();
    if (tileCover.size() < PlanCapacity * tiles) {
        tileCover.resize(PlanCapacity * tiles);
        tileOpaque.resize(PlanCapacity * tiles);
    }
    const bool caching = cache.firstPlan && tiles > 0 && prepareCache(tiles);
    cache.firstPlan = false;

    for (std::size_t i = 0; i < count; ++i)
        plan.markTiles(planned[i], &tileCover[i * tiles], &tileOpaque[i * tiles]);
    if (caching)
        noteChanges(tiles);

    // A tile is drawn only where no later quad hides it, unblended where the quad replaces it whole.
    plan.resolve(count, tileCover.data(), tileOpaque.data(), caching ? cache.hidden.data() : nullptr);
    if (caching)
        planCache(tiles);

    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    enter2D(false);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    if (caching)
        drawCached(cache.use.data());
    const unsigned int program = quadProgram();
    if (program)
        useProgram(program);
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
        if (caching && cache.filling)
            fillCache(cache.fillAt.data(), std::uint8_t(i + 1));
    }
    if (program)
        useProgram(0);
    glDisable(GL_SCISSOR_TEST);
    leave2D();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glColor4fv(current);
    planned.clear();
}

} // namespace System
