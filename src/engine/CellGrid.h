#pragma once
#include <cstdint>
#include <vector>

namespace System {

// A grid x grid division of a picture with one flag per cell (rows bottom first, like the pixels),
// with running sums so that the set cells of any block of cells are counted in constant time.
class CellGrid {
public:
    CellGrid() = default;
    CellGrid(int grid, std::vector<std::uint8_t> cells);

    bool empty() const { return grid == 0; }
    int size() const { return grid; }
    const std::vector<std::uint8_t>& cells() const { return flags; }
    // Set cells in columns [c0, c1) and rows [r0, r1); the bounds must lie within the grid.
    int count(int c0, int r0, int c1, int r1) const
    {
        const int stride = grid + 1;
        return sums[r1 * stride + c1] - sums[r0 * stride + c1] - sums[r1 * stride + c0] + sums[r0 * stride + c0];
    }

private:
    int grid = 0;
    std::vector<std::uint8_t> flags;
    std::vector<std::int32_t> sums;
};

} // namespace System
