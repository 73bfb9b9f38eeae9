#include "engine/TextureCoverage.h"

#include "engine/Texture.h"

#include <algorithm>

namespace System {

namespace {

constexpr int MaxGrid = 32;
constexpr int MinCellTexels = 4;

} // namespace

void measureCoverage(Texture& texture)
{
    texture.setCoverage(0, {});
    const ByteStore* pixels = texture.getPixels();
    const PixelLayout layout = texture.getLayout();
    const int width = texture.getWidth(), height = texture.getHeight();
    if (!pixels || (layout != RGBA && layout != TwoBytes) || width <= 0 || height <= 0)
        return;
    if (texture.getFilter() > 3 || texture.getWrap() == 0)
        return;
    const int bytes = texture.bytesPerPixel();
    if (pixels->size() < std::size_t(width) * std::size_t(height) * std::size_t(bytes))
        return;

    const int grid = std::min({MaxGrid, width / MinCellTexels, height / MinCellTexels});
    if (grid < 2)
        return;
    const int cellWidth = width / grid, cellHeight = height / grid;
    std::vector<std::uint8_t> cells(std::size_t(grid) * grid, 0);
    const unsigned char* data = pixels->data();
    for (int y = 0; y < height; ++y) {
        const unsigned char* alpha = data + std::size_t(y) * width * bytes + (bytes - 1);
        std::uint8_t* row = &cells[std::size_t(y / cellHeight) * grid];
        for (int x = 0; x < width; ++x, alpha += bytes)
            if (*alpha)
                row[x / cellWidth] = 1;
    }

    {
        std::vector<std::uint8_t> grown(cells.size(), 0);
        for (int j = 0; j < grid; ++j)
            for (int i = 0; i < grid; ++i)
                if (cells[std::size_t(j) * grid + i])
                    for (int dj = -1; dj <= 1; ++dj)
                        for (int di = -1; di <= 1; ++di) {
                            int cj = j + dj, ci = i + di;
                            if (cj >= 0 && cj < grid && ci >= 0 && ci < grid)
                                grown[std::size_t(cj) * grid + ci] = 1;
                        }
        cells.swap(grown);
    }
    if (std::all_of(cells.begin(), cells.end(), [](std::uint8_t c) { return c != 0; }))
        return;
    texture.setCoverage(grid, std::move(cells));
}

} // namespace System
