#include "engine/FramePlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace System;

namespace {

const float Identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

PlanQuad quadAt(Types::Rect rect, const CellGrid* covered, const CellGrid* solid, float alpha = 1.0f)
{
    PlanQuad quad{};
    quad.rect = rect;
    for (int i = 0; i < 3; ++i)
        quad.colour[i] = 1.0f;
    quad.colour[3] = alpha;
    std::copy(Identity, Identity + 16, quad.matrix);
    quad.identity = true;
    quad.covered = covered;
    quad.solid = solid;
    return quad;
}

// A grid with each cell set with the given chance; solid cells only among covered ones.
std::pair<CellGrid, CellGrid> randomCells(std::mt19937& random, int grid, double covered, double solid)
{
    std::vector<std::uint8_t> cover(std::size_t(grid) * grid), opaque(std::size_t(grid) * grid);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    for (std::size_t i = 0; i < cover.size(); ++i) {
        cover[i] = chance(random) < covered;
        opaque[i] = cover[i] && chance(random) < solid;
    }
    return {CellGrid(grid, cover), CellGrid(grid, opaque)};
}

struct Pixel {
    bool inside;  // the centre lies clear of the quad's edges (by more than rounding)
    // The cells the centre may fall in, rows counted from the quad's bottom: two where it lies within
    // rounding of a cell boundary.
    int columns[2], rows[2];
};

// Where the centre of pixel (px, py) falls in a quad drawn unmoved, by plain geometry.
Pixel locate(const PlanQuad& quad, int px, int py, double toX, double toY, int grid)
{
    const double x = (px + 0.5) / toX, y = (py + 0.5) / toY;
    const Types::Rect& r = quad.rect;
    const double u = (x - r.x) / r.width, v = (y - r.y) / r.height;
    const double marginU = 1e-3 / (toX * r.width), marginV = 1e-3 / (toY * r.height);
    Pixel p{};
    p.inside = u > marginU && u < 1 - marginU && v > marginV && v < 1 - marginV;
    auto clampCell = [grid](int k) { return std::min(grid - 1, std::max(0, k)); };
    for (int k = 0; k < 2; ++k) {
        const double du = k ? marginU : -marginU, dv = k ? marginV : -marginV;
        p.columns[k] = clampCell(int(std::floor((u + du) * grid)));
        p.rows[k] = clampCell(grid - 1 - int(std::floor((v + dv) * grid)));
    }
    return p;
}

} // namespace

// Against plain geometry, for quads of every size over scenes shown at other sizes: every tile where
// a pixel shows a covered cell is marked covered (else a change would not be drawn), and every tile
// marked opaque shows solid cells only, in every pixel (else a hidden layer would be skipped where
// it shows). Cell boundaries crossing a pixel centre within rounding count either way.
TEST(FramePlanArithmetic, TilesAgreeWithTheGeometryOfEveryPixel)
{
    std::mt19937 random(20261);
    std::uniform_int_distribution<int> side(40, 700);
    int opaqueTiles = 0, coveredTiles = 0;
    for (int round = 0; round < 150; ++round) {
        const int sceneW = side(random), sceneH = side(random);
        const int viewW = side(random), viewH = side(random);
        FramePlan plan;
        plan.setArea(viewW, viewH, sceneW, sceneH);
        const double toX = double(viewW) / sceneW, toY = double(viewH) / sceneH;
        const int grid = std::vector<int>{1, 4, 8, 16, 32}[round % 5];
        auto cells = randomCells(random, grid, 0.6, round % 3 == 0 ? 1.0 : 0.8);
        std::uniform_int_distribution<int> x(-sceneW / 3, sceneW), y(-sceneH / 3, sceneH);
        std::uniform_int_distribution<int> w(1, sceneW * 3 / 2), h(1, sceneH * 3 / 2);
        const PlanQuad quad = quadAt({x(random), y(random), w(random), h(random)}, &cells.first, &cells.second,
                                     round % 7 == 0 ? 0.5f : 1.0f);
        std::vector<std::uint8_t> cover(plan.getTiles()), opaque(plan.getTiles());
        plan.markTiles(quad, cover.data(), opaque.data());
        const auto& coveredCells = cells.first.cells();
        const auto& solidCells = cells.second.cells();
        for (int ty = 0; ty < plan.getTilesY(); ++ty) {
            for (int tx = 0; tx < plan.getTilesX(); ++tx) {
                const std::size_t t = std::size_t(ty) * plan.getTilesX() + tx;
                bool needsCover = false, allSolid = true;
                for (int py = ty * Tile; py < std::min(viewH, (ty + 1) * Tile); ++py) {
                    for (int px = tx * Tile; px < std::min(viewW, (tx + 1) * Tile); ++px) {
                        const Pixel p = locate(quad, px, py, toX, toY, grid);
                        bool anySolid = false;
                        for (int row : p.rows)
                            for (int column : p.columns)
                                anySolid = anySolid || solidCells[std::size_t(row) * grid + column];
                        // Surely inside a covered cell: the tile must be drawn.
                        const std::size_t cell = std::size_t(p.rows[0]) * grid + p.columns[0];
                        if (p.inside && p.rows[0] == p.rows[1] && p.columns[0] == p.columns[1] && coveredCells[cell])
                            needsCover = true;
                        // Marked opaque: every pixel inside, in a solid cell (either cell at a boundary).
                        if (!p.inside || !anySolid)
                            allSolid = false;
                    }
                }
                coveredTiles += cover[t];
                opaqueTiles += opaque[t];
                if (needsCover) {
                    ASSERT_TRUE(cover[t]) << "round " << round << " tile " << tx << "," << ty;
                }
                if (opaque[t]) {
                    ASSERT_EQ(quad.colour[3], 1.0f) << "a faded quad hides nothing";
                    ASSERT_TRUE(cover[t]);
                    ASSERT_TRUE(allSolid) << "round " << round << " tile " << tx << "," << ty
                                          << " is marked opaque but shows a pixel that is not";
                }
            }
        }
    }
    // The property is worth something only if both kinds of tile occur often.
    EXPECT_GT(coveredTiles, 2000);
    EXPECT_GT(opaqueTiles, 300);
}

// A moved or turned quad: every tile in which a pixel centre falls inside a covered cell of the turned
// quad is marked; a quad reaching behind the eye marks every tile.
TEST(FramePlanArithmetic, TurnedQuadsCoverEveryTileTheyReach)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> angle(0.0, 6.283), shift(-100.0, 100.0);
    for (int round = 0; round < 60; ++round) {
        FramePlan plan;
        plan.setArea(480, 360, 640, 480);
        const double toX = 480.0 / 640, toY = 360.0 / 480;
        auto cells = randomCells(random, 8, 0.4, 0.0);
        PlanQuad quad = quadAt({200, 150, 240, 180}, &cells.first, &cells.second);
        const double a = angle(random), c = std::cos(a), s = std::sin(a);
        // Turned about the quad's centre, then shifted: x' = M x, column-major.
        const double cx = 320, cy = 240, dx = shift(random), dy = shift(random);
        float m[16] = {float(c), float(s), 0, 0, float(-s), float(c), 0, 0, 0, 0, 1, 0,
                       float(cx - c * cx + s * cy + dx), float(cy - s * cx - c * cy + dy), 0, 1};
        std::copy(m, m + 16, quad.matrix);
        quad.identity = false;
        std::vector<std::uint8_t> cover(plan.getTiles()), opaque(plan.getTiles());
        plan.markTiles(quad, cover.data(), opaque.data());
        for (int py = 0; py < 360; ++py) {
            for (int px = 0; px < 480; ++px) {
                // Back to the quad's own coordinates.
                const double sx = (px + 0.5) / toX - m[12], sy = (py + 0.5) / toY - m[13];
                const double qx = c * sx + s * sy, qy = -s * sx + c * sy;
                const double u = (qx - 200) / 240, v = (qy - 150) / 180;
                if (u <= 0.001 || u >= 0.999 || v <= 0.001 || v >= 0.999)
                    continue;
                const int column = int(u * 8), row = 7 - int(v * 8);
                if (!cells.first.cells()[std::size_t(row) * 8 + column])
                    continue;
                ASSERT_TRUE(cover[std::size_t(py / Tile) * plan.getTilesX() + px / Tile])
                    << "round " << round << " pixel " << px << "," << py;
            }
        }
        for (std::uint8_t o : opaque)
            ASSERT_EQ(o, 0) << "a turned quad hides nothing";
    }
    FramePlan plan;
    plan.setArea(100, 100, 100, 100);
    PlanQuad behind = quadAt({0, 0, 10, 10}, nullptr, nullptr);
    behind.matrix[15] = -1.0f;
    behind.identity = false;
    std::vector<std::uint8_t> cover(plan.getTiles()), opaque(plan.getTiles());
    plan.markTiles(behind, cover.data(), opaque.data());
    for (std::uint8_t c : cover)
        EXPECT_EQ(c, 1);
}

TEST(FramePlanArithmetic, LaterOpaqueQuadsHideEarlierOnesAndTheTopmostIsNamed)
{
    FramePlan plan;
    plan.setArea(4 * Tile, Tile, 4 * Tile, Tile);
    ASSERT_EQ(plan.getTiles(), 4u);
    // Three quads over four tiles: the ground (opaque everywhere), a faded light over tiles 1-2, a
    // stone opaque over tile 2 only.
    std::vector<std::uint8_t> covers = {1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 1, 0};
    const std::vector<std::uint8_t> opaques = {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0};
    std::vector<int> top(4, 7);
    plan.resolve(3, covers.data(), opaques.data(), top.data());
    EXPECT_EQ(covers, (std::vector<std::uint8_t>{2, 2, 0, 2, 0, 1, 0, 0, 0, 0, 2, 0}));
    EXPECT_EQ(top, (std::vector<int>{0, 0, 2, 0}));
    plan.resolve(0, covers.data(), opaques.data(), top.data());
    EXPECT_EQ(top, (std::vector<int>{-1, -1, -1, -1}));
}

// The boxes of a mask cover exactly its tiles with the wanted value (cut at the viewport's edges),
// each tile once, for masks of every shape.
TEST(FramePlanArithmetic, BoxesCoverExactlyTheWantedTilesOnce)
{
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + int(random() % 400), h = 1 + int(random() % 300);
        FramePlan plan;
        plan.setArea(w, h, w, h);
        std::vector<std::uint8_t> mask(plan.getTiles());
        for (auto& m : mask)
            m = std::uint8_t(random() % (round % 2 ? 3 : 2));
        std::vector<int> seen(plan.getTiles(), 0);
        plan.forEachBox(mask.data(), 1, [&](int left, int top, int right, int bottom) {
            ASSERT_LT(left, right);
            ASSERT_LT(top, bottom);
            ASSERT_LE(right, w);
            ASSERT_LE(bottom, h);
            ASSERT_EQ(left % Tile, 0);
            ASSERT_EQ(top % Tile, 0);
            for (int ty = top / Tile; ty < (bottom + Tile - 1) / Tile; ++ty)
                for (int tx = left / Tile; tx < (right + Tile - 1) / Tile; ++tx)
                    ++seen[std::size_t(ty) * plan.getTilesX() + tx];
            ASSERT_TRUE(right == w || right % Tile == 0);
            ASSERT_TRUE(bottom == h || bottom % Tile == 0);
        });
        for (std::size_t t = 0; t < mask.size(); ++t)
            ASSERT_EQ(seen[t], mask[t] == 1 ? 1 : 0) << "round " << round << " tile " << t;
    }
}

TEST(FramePlanArithmetic, EmptyAreasAndScenesMarkNothing)
{
    FramePlan plan;
    plan.setArea(0, 0, 640, 480);
    EXPECT_EQ(plan.getTiles(), 0u);
    int boxes = 0;
    plan.forEachBox(nullptr, 1, [&](int, int, int, int) { ++boxes; });
    EXPECT_EQ(boxes, 0);
    plan.setArea(64, 64, 0, 0);
    std::vector<std::uint8_t> cover(plan.getTiles(), 9), opaque(plan.getTiles(), 9);
    plan.markTiles(quadAt({0, 0, 10, 10}, nullptr, nullptr), cover.data(), opaque.data());
    for (std::size_t t = 0; t < plan.getTiles(); ++t)
        EXPECT_EQ(cover[t] + opaque[t], 0);
}
