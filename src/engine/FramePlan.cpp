#include "engine/FramePlan.h"

#include <cmath>

namespace System {

namespace {

const CellGrid noCells;

// The first pixel whose centre lies at or past position p.
int firstPixel(double p)
{
    return int(std::ceil(p - 0.5));
}

} // namespace

void FramePlan::setArea(int width, int height, int sceneW, int sceneH)
{
    areaWidth = std::max(0, width);
    areaHeight = std::max(0, height);
    sceneWidth = sceneW;
    sceneHeight = sceneH;
    columnsOfTiles = (areaWidth + Tile - 1) / Tile;
    rowsOfTiles = (areaHeight + Tile - 1) / Tile;
    if (openBoxes.capacity() < std::size_t(columnsOfTiles) + 1) {
        openBoxes.reserve(std::size_t(columnsOfTiles) + 1);
        nextBoxes.reserve(std::size_t(columnsOfTiles) + 1);
    }
    if (boundaries.capacity() < 129)
        boundaries.reserve(129);
    if (hidden.size() < getTiles())
        hidden.resize(getTiles());
}

void FramePlan::resolve(std::size_t count, std::uint8_t* covers, const std::uint8_t* opaques, int* topOpaque)
{
    const std::size_t n = getTiles();
    std::fill(hidden.begin(), hidden.begin() + n, 0);
    if (topOpaque)
        std::fill(topOpaque, topOpaque + n, -1);
    for (std::size_t i = count; i-- > 0;) {
        std::uint8_t* cover = covers + i * n;
        const std::uint8_t* opaque = opaques + i * n;
        for (std::size_t t = 0; t < n; ++t) {
            cover[t] = cover[t] && !hidden[t] ? (opaque[t] ? 2 : 1) : 0;
            if (topOpaque && opaque[t] && !hidden[t])
                topOpaque[t] = int(i);
            hidden[t] = hidden[t] | opaque[t];
        }
    }
}

void FramePlan::markTiles(const PlanQuad& quad, std::uint8_t* cover, std::uint8_t* opaque)
{
    const int tiles = columnsOfTiles * rowsOfTiles;
    std::fill(cover, cover + tiles, 0);
    std::fill(opaque, opaque + tiles, 0);
    if (sceneWidth <= 0 || sceneHeight <= 0)
        return;
    const double toX = double(areaWidth) / sceneWidth, toY = double(areaHeight) / sceneHeight;
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
            const int px1 = std::min(areaWidth, int(std::ceil(x1 * toX)) + 1);
            const int py0 = std::max(0, int(std::floor(y0 * toY)) - 1);
            const int py1 = std::min(areaHeight, int(std::ceil(y1 * toY)) + 1);
            for (int ty = py0 / Tile; py1 > py0 && ty <= (py1 - 1) / Tile; ++ty)
                for (int tx = px0 / Tile; px1 > px0 && tx <= (px1 - 1) / Tile; ++tx)
                    cover[ty * columnsOfTiles + tx] = 1;
            return true;
        };
        const CellGrid& covered = quad.covered ? *quad.covered : noCells;
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

    const CellGrid& covered = quad.covered ? *quad.covered : noCells;
    const CellGrid& solid = quad.solid ? *quad.solid : noCells;
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
        spansOf(boundaries, grid, horizontal ? columnsOfTiles : rowsOfTiles, horizontal ? areaWidth : areaHeight, sureFirst,
                sureEnd, out);
    };
    // Whole-quad coverage first (no coverage cells: every pixel of the quad counts).
    const int coverGrid = covered.empty() ? 1 : covered.size();
    axis(coverGrid, true, columns);
    axis(coverGrid, false, rows);
    for (int ty = 0; ty < rowsOfTiles; ++ty) {
        const Span& row = rows[ty];
        if (row.first > row.last)
            continue;
        // Screen rows run downwards, cell rows upwards.
        const int r0 = coverGrid - 1 - row.last, r1 = coverGrid - row.first;
        for (int tx = 0; tx < columnsOfTiles; ++tx) {
            const Span& column = columns[tx];
            if (column.first > column.last)
                continue;
            if (covered.empty() || covered.count(column.first, r0, column.last + 1, r1) > 0)
                cover[ty * columnsOfTiles + tx] = 1;
        }
    }
    if (!canHide)
        return;
    const int solidGrid = solid.size();
    axis(solidGrid, true, columns);
    axis(solidGrid, false, rows);
    for (int ty = 0; ty < rowsOfTiles; ++ty) {
        const Span& row = rows[ty];
        if (!row.inside)
            continue;
        const int r0 = solidGrid - 1 - row.last, r1 = solidGrid - row.first;
        for (int tx = 0; tx < columnsOfTiles; ++tx) {
            const Span& column = columns[tx];
            if (!column.inside)
                continue;
            const int cells = (column.last + 1 - column.first) * (r1 - r0);
            if (solid.count(column.first, r0, column.last + 1, r1) == cells)
                opaque[ty * columnsOfTiles + tx] = 1;
        }
    }
}

// Each screen tile of a tile column (or row) against the quad's cells along that axis: which cells
// its pixels fall in, and whether all of them lie surely within the quad (rounding at the quad's
// edges never counts a pixel the quad does not draw).
void FramePlan::spansOf(const std::vector<int>& bounds, int grid, int tiles, int limit, int sureFirst, int sureEnd,
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

} // namespace System
