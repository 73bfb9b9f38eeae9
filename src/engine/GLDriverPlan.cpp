// The frame plan: textured quads queued during a frame and drawn together, each over the screen tiles
// where it can change a pixel and no later opaque quad of the batch hides it, with blending off
// where it is opaque itself. Every quad is still drawn whole, limited by the scissor box, so each
// pixel drawn samples exactly what drawing the whole quad would have sampled.
#include "engine/GLDriver.h"

#include "engine/PlanTiles.h"
#include "engine/Texture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace System {

namespace {

bool g_framePlanning = true;

// The first pixel whose centre lies at or past position p.
int firstPixel(double p)
{
    return int(std::ceil(p - 0.5));
}

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


void GLDriver::markTiles(const PlannedQuad& quad, std::uint8_t* cover, std::uint8_t* opaque)
{
    const int tiles = tilesX * tilesY;
    std::fill(cover, cover + tiles, 0);
    std::fill(opaque, opaque + tiles, 0);
    if (width <= 0 || height <= 0)
        return;
    const double toX = double(viewport[2]) / width, toY = double(viewport[3]) / height;
    const Types::Rect& r = quad.rect;

    if (!quad.identity) {
        // Moved or turned: every tile touched by the bounding box of a covered part of the quad, one
        // pixel wider for rounding. A pixel outside them samples transparent texels only.
        const float* m = quad.matrix;
        // Marks the tiles of the part [x0, x1) x [y0, y1) of the quad; false when it reaches behind
        // the eye.
        auto markPart = [&](double left, double top, double right, double bottom) {
            double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
            for (int corner = 0; corner < 4; ++corner) {
                const double x = (corner & 1) ? right : left, y = (corner & 2) ? bottom : top;
                const double w = m[3] * x + m[7] * y + m[15];
                if (w <= 0.0)
                    return false;
                const double sx = (m[0] * x + m[4] * y + m[12]) / w, sy = (m[1] * x + m[5] * y + m[13]) / w;
                x0 = std::min(x0, sx), x1 = std::max(x1, sx), y0 = std::min(y0, sy), y1 = std::max(y1, sy);
            }
            const int px0 = std::max(0, int(std::floor(x0 * toX)) - 1);
            const int px1 = std::min(viewport[2], int(std::ceil(x1 * toX)) + 1);
            const int py0 = std::max(0, int(std::floor(y0 * toY)) - 1);
            const int py1 = std::min(viewport[3], int(std::ceil(y1 * toY)) + 1);
            for (int ty = py0 / Tile; py1 > py0 && ty <= (py1 - 1) / Tile; ++ty)
                for (int tx = px0 / Tile; px1 > px0 && tx <= (px1 - 1) / Tile; ++tx)
                    cover[ty * tilesX + tx] = 1;
            return true;
        };
        const CellGrid& covered = quad.texture->getCoverageCells();
        if (covered.empty()) {
            if (!markPart(r.x, r.y, double(r.x) + r.width, double(r.y) + r.height))
                std::fill(cover, cover + tiles, 1);
            return;
        }
        // Each run of covered cells along a cell row (cell rows run upwards, from the quad's bottom).
        const int grid = covered.size();
        const std::uint8_t* cells = covered.cells().data();
        for (int row = 0; row < grid; ++row) {
            const double top = r.y + r.height * (1.0 - double(row + 1) / grid);
            const double bottom = r.y + r.height * (1.0 - double(row) / grid);
            for (int first = 0; first < grid;) {
                if (!cells[row * grid + first]) {
                    ++first;
                    continue;
                }
                int end = first + 1;
                while (end < grid && cells[row * grid + end])
                    ++end;
                const double left = r.x + r.width * double(first) / grid, right = r.x + r.width * double(end) / grid;
                if (!markPart(left, top, right, bottom)) {
                    std::fill(cover, cover + tiles, 1);
                    return;
                }
                first = end;
            }
        }
        return;
    }

    const CellGrid& covered = quad.texture->getCoverageCells();
    const CellGrid& solid = quad.texture->getOpaqueCells();
    const bool canHide = quad.colour[3] == 1.0f && !solid.empty();
    // One axis at a time: the pixel where each cell boundary falls, then each tile's cells.
    auto axis = [&](int grid, bool horizontal, std::vector<Span>& out) {
        boundaries.resize(std::size_t(grid) + 1);
        auto at = [&](int k) {
            return horizontal ? (r.x + r.width * double(k) / grid) * toX : (r.y + r.height * double(k) / grid) * toY;
        };
        for (int k = 0; k <= grid; ++k)
            boundaries[k] = firstPixel(at(k));
        // The pixels surely inside: centres clear of the quad's edges by more than rounding.
        const int sureFirst = int(std::ceil(at(0) - 0.5 + 1e-3));
        const int sureEnd = int(std::floor(at(grid) - 0.5 - 1e-3)) + 1;
        spansOf(boundaries, grid, horizontal ? tilesX : tilesY, horizontal ? viewport[2] : viewport[3], sureFirst,
                sureEnd, out);
    };
    // Whole-quad coverage first (no coverage cells: every pixel of the quad counts).
    const int coverGrid = covered.empty() ? 1 : covered.size();
    axis(coverGrid, true, columns);
    axis(coverGrid, false, rows);
    for (int ty = 0; ty < tilesY; ++ty) {
        const Span& row = rows[ty];
        if (row.first > row.last)
            continue;
        // Screen rows run downwards, cell rows upwards.
        const int r0 = coverGrid - 1 - row.last, r1 = coverGrid - row.first;
        for (int tx = 0; tx < tilesX; ++tx) {
            const Span& column = columns[tx];
            if (column.first > column.last)
                continue;
            if (covered.empty() || covered.count(column.first, r0, column.last + 1, r1) > 0)
                cover[ty * tilesX + tx] = 1;
        }
    }
    if (!canHide)
        return;
    const int solidGrid = solid.size();
    axis(solidGrid, true, columns);
    axis(solidGrid, false, rows);
    for (int ty = 0; ty < tilesY; ++ty) {
        const Span& row = rows[ty];
        if (!row.inside)
            continue;
        const int r0 = solidGrid - 1 - row.last, r1 = solidGrid - row.first;
        for (int tx = 0; tx < tilesX; ++tx) {
            const Span& column = columns[tx];
            if (!column.inside)
                continue;
            const int cells = (column.last + 1 - column.first) * (r1 - r0);
            if (solid.count(column.first, r0, column.last + 1, r1) == cells)
                opaque[ty * tilesX + tx] = 1;
        }
    }
}

// Each screen tile of a tile column (or row) against the quad's cells along that axis: which cells
// its pixels fall in, and whether all of them lie surely within the quad (rounding at the quad's
// edges never counts a pixel the quad does not draw).
void GLDriver::spansOf(const std::vector<int>& bounds, int grid, int tiles, int limit, int sureFirst, int sureEnd,
                       std::vector<Span>& out)
{
    out.resize(std::size_t(tiles));
    for (int t = 0; t < tiles; ++t) {
        const int a = t * Tile, b = std::min(limit, (t + 1) * Tile);  // pixels [a, b)
        Span& span = out[t];
        span.first = 1;
        span.last = 0;
        span.inside = false;
        const int lo = std::max(a, bounds[0]), hi = std::min(b, bounds[grid]);
        if (hi <= lo)
            continue;
        // The cell of pixel p: the last boundary at or before it.
        auto cellOf = [&](int p) {
            const int k = int(std::upper_bound(bounds.begin(), bounds.begin() + grid + 1, p) - bounds.begin()) - 1;
            return std::min(std::max(k, 0), grid - 1);
        };
        span.first = cellOf(lo);
        span.last = cellOf(hi - 1);
        span.inside = a >= sureFirst && b <= sureEnd;
    }
}

// Scissored draws of the whole quad over the tiles whose mask value is `want`.
void GLDriver::drawTiles(const std::uint8_t* mask, std::uint8_t want, const Types::Rect& rect)
{
    forEachBox(mask, want, [&](int left, int top, int right, int bottom) {
        glScissor(viewport[0] + left, viewport[1] + viewport[3] - bottom, right - left, bottom - top);
        glBegin(GL_QUADS);
        quad(rect, 0.0f, 0.0f, 1.0f, 1.0f);
        glEnd();
    });
}

void GLDriver::drawPlan()
{
    glGetIntegerv(GL_VIEWPORT, viewport);
    tilesX = std::max(0, (viewport[2] + Tile - 1) / Tile);
    tilesY = std::max(0, (viewport[3] + Tile - 1) / Tile);
    const std::size_t tiles = std::size_t(tilesX) * tilesY;
    const std::size_t count = planned.size();
    if (tileCover.size() < PlanCapacity * tiles) {
        tileCover.resize(PlanCapacity * tiles);
        tileOpaque.resize(PlanCapacity * tiles);
    }
    tileHidden.assign(tiles, 0);
    if (openBoxes.capacity() < std::size_t(tilesX) + 1) {
        openBoxes.reserve(std::size_t(tilesX) + 1);
        nextBoxes.reserve(std::size_t(tilesX) + 1);
    }
    if (boundaries.capacity() < 129)
        boundaries.reserve(129);
    const bool caching = cache.firstPlan && tiles > 0 && prepareCache(tiles);
    cache.firstPlan = false;

    for (std::size_t i = 0; i < count; ++i)
        markTiles(planned[i], &tileCover[i * tiles], &tileOpaque[i * tiles]);
    if (caching)
        noteChanges(tiles);

    // From the last quad back: a tile is drawn when the quad can change it and no later quad hides
    // it; 2 marks tiles the quad itself replaces whole (blending off), 1 the rest.
    if (caching)
        std::fill(cache.hidden.begin(), cache.hidden.end(), -1);
    for (std::size_t i = count; i-- > 0;) {
        std::uint8_t* cover = &tileCover[i * tiles];
        const std::uint8_t* opaque = &tileOpaque[i * tiles];
        for (std::size_t t = 0; t < tiles; ++t) {
            cover[t] = cover[t] && !tileHidden[t] ? (opaque[t] ? 2 : 1) : 0;
            if (caching && opaque[t] && !tileHidden[t])
                cache.hidden[t] = int(i);
            tileHidden[t] = tileHidden[t] | opaque[t];
        }
    }
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
