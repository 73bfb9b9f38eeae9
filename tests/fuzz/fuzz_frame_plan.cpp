// The frame plan's arithmetic over any sizes, quads, matrices and cell grids: it never reads or
// writes outside its masks, marks only 0 or 1, and every box lies within the viewport.
#include "engine/FramePlan.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Reader {
    const unsigned char* data;
    std::size_t size;
    template <class T>
    T take()
    {
        T value{};
        std::size_t n = std::min(sizeof(T), size);
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    using namespace System;
    Reader in{data, size};
    // Viewports up to 4096 pixels a side (the plan's real limit is the GL viewport), any scene size.
    const int width = in.take<std::uint16_t>() % 4097, height = in.take<std::uint16_t>() % 4097;
    const int sceneW = in.take<std::int16_t>(), sceneH = in.take<std::int16_t>();
    FramePlan plan;
    plan.setArea(width, height, sceneW, sceneH);
    const std::size_t tiles = plan.getTiles();
    const int count = in.take<std::uint8_t>() % 5;
    std::vector<CellGrid> grids;
    grids.reserve(std::size_t(count) * 2);
    std::vector<std::uint8_t> covers(std::size_t(count) * tiles + 1), opaques(std::size_t(count) * tiles + 1);
    for (int i = 0; i < count; ++i) {
        PlanQuad quad{};
        quad.rect = Types::Rect{in.take<std::int16_t>(), in.take<std::int16_t>(), in.take<std::int16_t>(),
                                in.take<std::int16_t>()};
        for (float& c : quad.colour)
            c = float(in.take<std::uint8_t>()) / 255.0f;
        quad.identity = in.take<std::uint8_t>() % 2 == 0;
        for (int k = 0; k < 16; ++k)
            quad.matrix[k] = quad.identity ? (k % 5 == 0 ? 1.0f : 0.0f) : in.take<float>();
        if (!quad.identity)
            for (float& m : quad.matrix)
                if (!std::isfinite(m))
                    m = 0.0f;
        for (int k = 0; k < 2; ++k) {
            const int grid = in.take<std::uint8_t>() % 33;
            std::vector<std::uint8_t> cells(std::size_t(grid) * grid);
            for (auto& cell : cells)
                cell = in.take<std::uint8_t>() & 1;
            grids.emplace_back(grid, cells);
        }
        quad.covered = &grids[grids.size() - 2];
        quad.solid = &grids.back();
        plan.markTiles(quad, &covers[std::size_t(i) * tiles], &opaques[std::size_t(i) * tiles]);
        for (std::size_t t = 0; t < tiles; ++t)
            if (covers[i * tiles + t] > 1 || opaques[i * tiles + t] > 1)
                std::abort();
    }
    std::vector<int> top(tiles + 1);
    plan.resolve(std::size_t(count), covers.data(), opaques.data(), top.data());
    for (int i = 0; i < count; ++i)
        for (std::uint8_t want : {1, 2})
            plan.forEachBox(&covers[std::size_t(i) * tiles], want, [&](int left, int topY, int right, int bottom) {
                if (left < 0 || topY < 0 || right > width || bottom > height || left >= right || topY >= bottom)
                    std::abort();
            });
    return 0;
}
