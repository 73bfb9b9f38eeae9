#pragma once
// The arithmetic of a planned frame, free of GL so that it can be tested and fuzzed on its own: for
// each queued quad, which screen tiles it can change a pixel of and which it replaces whole; from
// the last quad back, which of those a later opaque quad hides; and the boxes of tiles to draw.
// Every store is sized once (and again only when the viewport grows), so a frame allocates nothing.
#include "base/Types.h"
#include "engine/CellGrid.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace System {

// Screen tiles, in pixels: small enough to follow the pictures' shapes, large enough that a layer
// takes tens of scissored draws, not thousands.
constexpr int Tile = 32;
// Quads a plan holds before it is drawn early (the forest queues fifteen).
constexpr std::size_t PlanCapacity = 64;

// One quad as the plan sees it: where it stands in scene units, how it is moved (the model-view
// matrix, column-major as GL keeps it), its colour, and its picture's coverage cells.
struct PlanQuad {
    Types::Rect rect;
    float colour[4];
    float matrix[16];
    bool identity;
    const CellGrid* covered;  // cells holding a visible texel; null or empty: the whole quad
    const CellGrid* solid;    // cells wholly opaque; null or empty: none
};

class FramePlan {
public:
    // A viewport of width x height pixels showing a scene of sceneWidth x sceneHeight units.
    void setArea(int width, int height, int sceneWidth, int sceneHeight);
    int getWidth() const { return areaWidth; }
    int getHeight() const { return areaHeight; }
    int getTilesX() const { return columnsOfTiles; }
    int getTilesY() const { return rowsOfTiles; }
    std::size_t getTiles() const { return std::size_t(columnsOfTiles) * std::size_t(rowsOfTiles); }

    // cover[t] = 1 where the quad can change a pixel of tile t, opaque[t] = 1 where it replaces every
    // pixel of t; both getTiles() long. Rounding at the quad's edges never counts a pixel it does not
    // draw as replaced, and never leaves out one it may draw.
    void markTiles(const PlanQuad& quad, std::uint8_t* cover, std::uint8_t* opaque);
    // From the last of `count` quads back (quad i's masks at covers + i * getTiles()): a tile stays
    // covered only where no later quad hides it, 2 where the quad itself replaces it whole (drawn
    // unblended), 1 where it is drawn blended. topOpaque, when given (getTiles() long), receives the
    // topmost quad that is opaque at each tile, -1 where none is.
    void resolve(std::size_t count, std::uint8_t* covers, const std::uint8_t* opaques, int* topOpaque);
    // The tiles whose mask value is `want`, as boxes of viewport pixels (left, top, right, bottom;
    // y downwards): runs of tiles row by row, a run exactly below an open box extending it.
    template <class Emit>
    void forEachBox(const std::uint8_t* mask, std::uint8_t want, Emit emit);

private:
    struct Span {
        int first, last;  // cells, inclusive; first > last when the tile misses the quad
        bool inside;      // every pixel of the tile lies within the quad
    };
    struct OpenBox {
        int x0, x1, y0;
    };
    static void spansOf(const std::vector<int>& bounds, int grid, int tiles, int limit, int sureFirst, int sureEnd,
                        std::vector<Span>& out);

    int areaWidth = 0, areaHeight = 0;
    int sceneWidth = 0, sceneHeight = 0;
    int columnsOfTiles = 0, rowsOfTiles = 0;
    std::vector<std::uint8_t> hidden;
    std::vector<Span> columns, rows;
    std::vector<int> boundaries;
    std::vector<OpenBox> openBoxes, nextBoxes;
};

template <class Emit>
void FramePlan::forEachBox(const std::uint8_t* mask, std::uint8_t want, Emit emit)
{
    auto close = [&](const OpenBox& box, int y1) {
        emit(box.x0 * Tile, box.y0 * Tile, std::min(areaWidth, box.x1 * Tile), std::min(areaHeight, y1 * Tile));
    };
    openBoxes.clear();
    for (int ty = 0; ty <= rowsOfTiles; ++ty) {
        nextBoxes.clear();
        std::size_t o = 0;
        if (ty < rowsOfTiles) {
            const std::uint8_t* row = mask + std::size_t(ty) * columnsOfTiles;
            for (int tx = 0; tx < columnsOfTiles;) {
                if (row[tx] != want) {
                    ++tx;
                    continue;
                }
                int end = tx;
                while (end < columnsOfTiles && row[end] == want)
                    ++end;
                OpenBox box{tx, end, ty};
                while (o < openBoxes.size() && openBoxes[o].x0 < tx)
                    close(openBoxes[o++], ty);
                if (o < openBoxes.size() && openBoxes[o].x0 == tx && openBoxes[o].x1 == end)
                    box.y0 = openBoxes[o++].y0;
                nextBoxes.push_back(box);
                tx = end;
            }
        }
        while (o < openBoxes.size())
            close(openBoxes[o++], ty);
        openBoxes.swap(nextBoxes);
    }
}

} // namespace System
