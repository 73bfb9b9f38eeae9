#include "engine/TextureCoverage.h"

#include "engine/Texture.h"

#include <algorithm>

namespace System {

namespace {

constexpr int MaxGrid = 64;
constexpr int MinCellTexels = 4;

} // namespace

void measureCoverage(Texture& texture)
{
    texture.setCoverage(0, {});
    texture.setOpaqueCells(0, {});
    const ByteStore* pixels = texture.getPixels();
    const PixelLayout layout = texture.getLayout();
    const int width = texture.getWidth(), height = texture.getHeight();
    if (!pixels || width <= 0 || height <= 0)
        return;
    if (texture.getFilter() > 3 || texture.getWrap() == 0)
        return;
    const int bytes = texture.bytesPerPixel();
    if (pixels->size() < std::size_t(width) * std::size_t(height) * std::size_t(bytes))
        return;
    // Without alpha every texel is opaque: one cell says so.
    if (layout == RGB || layout == Luminance) {
        texture.setOpaqueCells(1, {1});
        return;
    }
    if (layout != RGBA && layout != TwoBytes)
        return;

    const int grid = std::min({MaxGrid, width / MinCellTexels, height / MinCellTexels});
    if (grid < 2)
        return;
    const int cellWidth = width / grid, cellHeight = height / grid;
    const std::size_t count = std::size_t(grid) * grid;
    std::vector<std::uint8_t> cells(count, 0), solid(count, 1);
    const unsigned char* data = pixels->data();
    for (int y = 0; y < height; ++y) {
        const unsigned char* alpha = data + std::size_t(y) * width * bytes + (bytes - 1);
        std::uint8_t* row = &cells[std::size_t(y / cellHeight) * grid];
        std::uint8_t* solidRow = &solid[std::size_t(y / cellHeight) * grid];
        for (int x = 0; x < width; ++x, alpha += bytes) {
            if (*alpha)
                row[x / cellWidth] = 1;
            if (*alpha != 255)
                solidRow[x / cellWidth] = 0;
        }
    }

    // Covered cells grow by one cell on every side and opaque ones shrink by one (cells past the
    // picture's edge do not count: clamped sampling never reaches them).
    std::vector<std::uint8_t> grown(count, 0), shrunk(count, 0);
    for (int j = 0; j < grid; ++j)
        for (int i = 0; i < grid; ++i) {
            bool any = false, all = true;
            for (int dj = -1; dj <= 1; ++dj)
                for (int di = -1; di <= 1; ++di) {
                    const int cj = j + dj, ci = i + di;
                    if (cj < 0 || cj >= grid || ci < 0 || ci >= grid)
                        continue;
                    any = any || cells[std::size_t(cj) * grid + ci];
                    all = all && solid[std::size_t(cj) * grid + ci];
                }
            grown[std::size_t(j) * grid + i] = any;
            shrunk[std::size_t(j) * grid + i] = all;
        }
    if (std::any_of(shrunk.begin(), shrunk.end(), [](std::uint8_t c) { return c != 0; }))
        texture.setOpaqueCells(grid, std::move(shrunk));
    if (std::all_of(grown.begin(), grown.end(), [](std::uint8_t c) { return c != 0; }))
        return;
    texture.setCoverage(grid, std::move(grown));
}

} // namespace System
