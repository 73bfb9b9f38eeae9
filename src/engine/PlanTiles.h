#pragma once
// The screen tiles of planned frames, shared by the plan and its cache.
#include "engine/GLDriver.h"

#include <algorithm>
#include <cstddef>

namespace System {

// Screen tiles, in pixels: small enough to follow the pictures' shapes, large enough that a layer
// takes tens of scissored draws, not thousands.
constexpr int Tile = 32;
// Quads a plan holds before it is drawn early (the forest queues fifteen).
constexpr std::size_t PlanCapacity = 64;

// The tiles whose mask value is `want` as boxes of viewport pixels (left, top, right, bottom; y
// downwards): runs of tiles row by row, a run exactly below an open box extending it.
template <class Emit>
void GLDriver::forEachBox(const std::uint8_t* mask, std::uint8_t want, Emit emit)
{
    auto close = [&](const OpenBox& box, int y1) {
        emit(box.x0 * Tile, box.y0 * Tile, std::min(viewport[2], box.x1 * Tile), std::min(viewport[3], y1 * Tile));
    };
    openBoxes.clear();
    for (int ty = 0; ty <= tilesY; ++ty) {
        nextBoxes.clear();
        std::size_t o = 0;
        if (ty < tilesY) {
            const std::uint8_t* row = mask + std::size_t(ty) * tilesX;
            for (int tx = 0; tx < tilesX;) {
                if (row[tx] != want) {
                    ++tx;
                    continue;
                }
                int end = tx;
                while (end < tilesX && row[end] == want)
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
