#include "engine/CellGrid.h"

namespace System {

CellGrid::CellGrid(int grid, std::vector<std::uint8_t> cells) : grid(grid), flags(std::move(cells))
{
    if (grid <= 0 || flags.size() != std::size_t(grid) * std::size_t(grid)) {
        this->grid = 0;
        flags.clear();
        return;
    }
    const int stride = grid + 1;
    sums.assign(std::size_t(stride) * stride, 0);
    for (int r = 0; r < grid; ++r)
        for (int c = 0; c < grid; ++c)
            sums[(r + 1) * stride + c + 1] = sums[r * stride + c + 1] + sums[(r + 1) * stride + c] -
                                             sums[r * stride + c] + (flags[std::size_t(r) * grid + c] ? 1 : 0);
}

} // namespace System
