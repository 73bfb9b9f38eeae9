#include "DrawingSurface.h"

#include "engine/QuadSink.h"
#include "engine/Texture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace System;

namespace {

// A 64 x 64 RGBA picture: transparent everywhere but a soft disc and a thin diagonal line.
std::unique_ptr<Texture> sparsePicture(std::uint8_t filter)
{
    auto texture = std::make_unique<Texture>(64, 64, Types::Colour32{0, 0, 0, 0});
    ByteStore& pixels = *texture->getPixels();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            unsigned char* p = &pixels[(y * 64 + x) * 4];
            double d = std::hypot(x - 20.5, y - 40.5);
            if (d < 9) {
                p[0] = 250, p[1] = 120, p[2] = 30, p[3] = std::uint8_t(255 - d * 20);
            } else if (x == y && x > 30) {
                p[0] = 40, p[1] = 200, p[2] = 240, p[3] = 180;
            }
        }
    texture->setFilter(filter);
    return texture;
}

std::vector<unsigned char> screen()
{
    std::vector<unsigned char> pixels(DrawingSurface::Size * DrawingSurface::Size * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, DrawingSurface::Size, DrawingSurface::Size, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int differingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    int count = 0;
    for (std::size_t i = 0; i < a.size(); i += 4)
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2])
            ++count;
    return count;
}

} // namespace

// Limiting a quad to the picture's covered cells must not change a single pixel: over a striped
// background, stretched and squeezed (squeezing by 3/4 puts pixel centres exactly on texel edges),
// with nearest and with linear sampling, and under a rotation (drawn whole).
TEST(TextureCoverage, SkippingTransparentCellsLeavesThePictureUnchanged)
{
    DrawingSurface surface;
    ASSERT_TRUE(surface.ready);
    for (std::uint8_t filter : {std::uint8_t(0), std::uint8_t(3)}) {
        std::unique_ptr<Texture> texture = sparsePicture(filter);
        surface.driver.upload(*texture);
        ASSERT_FALSE(texture->getCoverage().empty()) << "the picture is mostly transparent";
        const std::vector<std::uint8_t> coverage = texture->getCoverage();
        const int grid = texture->getCoverageGrid();

        auto draw = [&](const Types::Rect& rect, float angle) {
            surface.clear();
            for (int stripe = 0; stripe < 8; ++stripe)
                surface.driver.drawQuad(Types::Rect{stripe * 32, 0, 16, 256}, nullptr,
                                        Types::Colour32{90, 90, 200, 255});
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            if (angle != 0.0f) {
                glTranslatef(128, 128, 0);
                glRotatef(angle, 0, 0, 1);
                glTranslatef(-128, -128, 0);
            }
            surface.driver.drawQuad(rect, texture.get(), Types::Colour{1, 1, 1, 0.8f});
            glLoadIdentity();
            return screen();
        };
        struct Case {
            Types::Rect rect;
            float angle;
        };
        for (Case c : {Case{{13, 7, 231, 203}, 0.0f}, Case{{0, 0, 256, 192}, 0.0f}, Case{{5, 30, 48, 48}, 0.0f},
                       Case{{-20, -9, 300, 270}, 0.0f}, Case{{13, 7, 231, 203}, 11.5f}}) {
            std::vector<unsigned char> cut = draw(c.rect, c.angle);
            texture->setCoverage(0, {});
            std::vector<unsigned char> whole = draw(c.rect, c.angle);
            texture->setCoverage(grid, coverage);
            EXPECT_EQ(differingPixels(cut, whole), 0)
                << "filter " << int(filter) << ", rect " << c.rect.x << "," << c.rect.y << " " << c.rect.width
                << "x" << c.rect.height << ", angle " << c.angle;
        }
    }
}

TEST(TextureCoverage, OnlyPicturesThatCanBeCutAreMeasured)
{
    DrawingSurface surface;
    ASSERT_TRUE(surface.ready);
    // Opaque everywhere, no alpha channel, mipmapped, or repeating: the whole quad is drawn.
    Texture opaque(64, 64, Types::Colour32{1, 2, 3, 255});
    surface.driver.upload(opaque);
    EXPECT_TRUE(opaque.getCoverage().empty());

    std::unique_ptr<Texture> mipmapped = sparsePicture(10);
    surface.driver.upload(*mipmapped);
    EXPECT_TRUE(mipmapped->getCoverage().empty());

    std::unique_ptr<Texture> repeating = sparsePicture(0);
    repeating->setWrap(0);
    surface.driver.upload(*repeating);
    EXPECT_TRUE(repeating->getCoverage().empty());

    // The covered cells reach one cell past the ink on every side: the disc around texel (20, 40)
    // lies in columns 3..7 and rows 8..12 of the 16 x 16 grid of 4-texel cells, so column 2 of row 7
    // counts too, and far corners do not.
    std::unique_ptr<Texture> sparse = sparsePicture(0);
    surface.driver.upload(*sparse);
    ASSERT_EQ(sparse->getCoverageGrid(), 16);
    const std::vector<std::uint8_t>& cells = sparse->getCoverage();
    EXPECT_TRUE(cells[7 * 16 + 2]);
    EXPECT_TRUE(cells[10 * 16 + 5]);
    EXPECT_FALSE(cells[7 * 16 + 1]);
    EXPECT_FALSE(cells[0 * 16 + 15]);
    EXPECT_FALSE(cells[15 * 16 + 0]);
}

// The benchmarks' switches: drawing every quad whole gives the same pixels; a recorder takes each quad
// (matrix, rectangle, texture, colour) and draws nothing.
TEST(TextureCoverage, BenchmarkSwitchesDrawWholeQuadsOrRecordThem)
{
    DrawingSurface surface;
    ASSERT_TRUE(surface.ready);
    std::unique_ptr<Texture> texture = sparsePicture(0);
    surface.driver.upload(*texture);
    ASSERT_FALSE(texture->getCoverage().empty());
    const Types::Rect rect{10, 20, 200, 180};
    auto draw = [&] {
        surface.clear();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        surface.driver.drawQuad(Types::Rect{0, 0, 256, 256}, nullptr, Types::Colour32{90, 90, 200, 255});
        glTranslatef(3, 4, 0);
        surface.driver.drawQuad(rect, texture.get(), Types::Colour{1, 1, 1, 0.8f});
        glLoadIdentity();
        return screen();
    };
    const std::vector<unsigned char> covered = draw();
    surface.driver.options().coveredDrawing = false;
    const std::vector<unsigned char> whole = draw();
    surface.driver.options().coveredDrawing = true;
    EXPECT_EQ(differingPixels(covered, whole), 0);

    QuadList sink;
    surface.driver.setQuadSink(&sink);
    const std::vector<unsigned char> recorded = draw();
    surface.driver.setQuadSink(nullptr);
    const std::vector<RecordedQuad>& quads = sink.quads;
    surface.clear();
    EXPECT_EQ(differingPixels(recorded, screen()), 0) << "a recorded quad must not be drawn";
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].texture, 0u);
    EXPECT_EQ(quads[1].texture, texture->getGlName());
    EXPECT_EQ(quads[1].rect.x, 10);
    EXPECT_EQ(quads[1].rect.height, 180);
    EXPECT_FLOAT_EQ(quads[1].matrix[12], 3.0f);
    EXPECT_FLOAT_EQ(quads[1].matrix[13], 4.0f);
    EXPECT_FLOAT_EQ(quads[1].colour[3], 0.8f);
    EXPECT_FLOAT_EQ(quads[0].colour[2], 200.0f / 255.0f);
}
