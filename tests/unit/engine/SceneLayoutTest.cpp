#include "engine/SceneLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace System;

namespace {

// What every layout keeps to: it covers the view, the view stays inside it, and a cropped layout is
// 4:3 (taller views) or 16:9 (wider views), as large as the view across the side it keeps whole.
void expectCovers(std::int32_t w, std::int32_t h)
{
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    const SceneLayout layout = sceneLayoutFor(w, h);
    EXPECT_EQ(layout.cropped, !designedShape(w, h));
    EXPECT_GE(layout.width, w);
    EXPECT_GE(layout.height, h);
    EXPECT_GE(layout.x, 0);
    EXPECT_GE(layout.y, 0);
    EXPECT_LE(std::int64_t(layout.x) + w, layout.width);
    EXPECT_LE(std::int64_t(layout.y) + h, layout.height);
    if (!layout.cropped) {
        EXPECT_EQ(layout.width, w);
        EXPECT_EQ(layout.height, h);
        return;
    }
    const std::int64_t W = w, H = h;
    if (W * 3 < H * 4) {
        EXPECT_EQ(layout.height, h);
        EXPECT_EQ(layout.y, 0);
        // 4:3 rounded up: the smallest width that covers.
        EXPECT_GE(std::int64_t(layout.width) * 3, H * 4);
        EXPECT_LT((std::int64_t(layout.width) - 1) * 3, H * 4);
    } else {
        EXPECT_EQ(layout.width, w);
        EXPECT_EQ(layout.x, 0);
        EXPECT_GE(std::int64_t(layout.height) * 16, W * 9);
        EXPECT_LT((std::int64_t(layout.height) - 1) * 16, W * 9);
    }
}

// The share of the whole layout the view starts at and ends at, across or down.
double firstAcross(const SceneLayout& l) { return double(l.x) / l.width; }
double lastAcross(const SceneLayout& l, int w) { return double(l.x + w) / l.width; }
double firstDown(const SceneLayout& l) { return double(l.y) / l.height; }
double lastDown(const SceneLayout& l, int h) { return double(l.y + h) / l.height; }

} // namespace

TEST(SceneLayout, ShapesFrom4To3To16To9AreLaidOutAsTheyAre)
{
    for (auto size : {std::pair{1024, 768}, {4, 3}, {1280, 960}, {1920, 1080}, {16, 9}, {3840, 2160},
                      {1920, 1200}, {1280, 800}, {1280, 720}, {640, 360}}) {
        SCOPED_TRACE(::testing::Message() << size.first << "x" << size.second);
        EXPECT_TRUE(designedShape(size.first, size.second));
        const SceneLayout layout = sceneLayoutFor(size.first, size.second);
        EXPECT_FALSE(layout.cropped);
        EXPECT_EQ(layout.width, size.first);
        EXPECT_EQ(layout.height, size.second);
        EXPECT_EQ(layout.x, 0);
        EXPECT_EQ(layout.y, 0);
    }
}

TEST(SceneLayout, JustOutsideEitherEndIsCroppedByAPixel)
{
    // Within half a pixel of 16:9 (768.4 rows) and of 4:3 (1024.3 columns): laid out as they are.
    for (auto size : {std::pair{1366, 768}, {1023, 767}, {725, 408}}) {
        SCOPED_TRACE(::testing::Message() << size.first << "x" << size.second);
        EXPECT_TRUE(designedShape(size.first, size.second));
        EXPECT_FALSE(sceneLayoutFor(size.first, size.second).cropped);
    }
    // XScreenSaver's preview, 725x407: 407.8 rows of 16:9 round to 408, one more than it has.
    EXPECT_FALSE(designedShape(725, 407));
    EXPECT_EQ(sceneLayoutFor(725, 407).height, 408);
    // One pixel narrower than 4:3: laid out at 1024x768, the view its left 1023 pixels (the big tree's side).
    const SceneLayout taller = sceneLayoutFor(1023, 768);
    EXPECT_TRUE(taller.cropped);
    EXPECT_EQ(taller.width, 1024);
    EXPECT_EQ(taller.height, 768);
    EXPECT_EQ(taller.x, 0);
    // One pixel wider than 16:9: 1921 x 1080.56 rounds up to 1081; the one row left over goes above.
    const SceneLayout wider = sceneLayoutFor(1921, 1080);
    EXPECT_TRUE(wider.cropped);
    EXPECT_EQ(wider.width, 1921);
    EXPECT_EQ(wider.height, 1081);
    EXPECT_EQ(wider.y, 1);
    EXPECT_FALSE(designedShape(1023, 768));
    EXPECT_FALSE(designedShape(1921, 1080));
    expectCovers(1023, 768);
    expectCovers(1921, 1080);
    expectCovers(1024, 767);
    expectCovers(1920, 1081);
}

TEST(SceneLayout, TallViewsKeepTheDeerWholeAndTheRabbitsLog)
{
    // Portrait: 4:3 as high as the monitor; the deer (body 0.42 to head 0.635) and the rabbit (0.22-0.255).
    const SceneLayout portrait = sceneLayoutFor(1080, 1920);
    EXPECT_EQ(portrait.width, 2560);
    EXPECT_EQ(portrait.height, 1920);
    EXPECT_LE(firstAcross(portrait), 0.22);
    EXPECT_GE(lastAcross(portrait, 1080), 0.635);
    // 5:4 shows nearly all of it: the big tree whole at the left, a strip of ferns cut at the right.
    const SceneLayout square = sceneLayoutFor(1280, 1024);
    EXPECT_EQ(square.height, 1024);
    EXPECT_EQ(square.width, 1366);
    EXPECT_EQ(square.x, 0);
    // xsecurelock's window per monitor.
    const SceneLayout half = sceneLayoutFor(640, 720);
    EXPECT_EQ(half.width, 960);
    EXPECT_LE(firstAcross(half), 0.03);
    EXPECT_GE(lastAcross(half, 640), 0.635);
    for (auto size : {std::pair{1080, 1920}, {1280, 1024}, {640, 720}, {768, 1024}, {1200, 1920}})
        expectCovers(size.first, size.second);
}

TEST(SceneLayout, WideViewsKeepTheAnimalsAndTheWoodpecker)
{
    // Deer and log down to 0.83, the woodpecker from 0.33.
    for (auto size : {std::pair{2560, 1080}, {3440, 1440}, {5120, 1440}, {3840, 1080}}) {
        SCOPED_TRACE(::testing::Message() << size.first << "x" << size.second);
        const SceneLayout layout = sceneLayoutFor(size.first, size.second);
        EXPECT_TRUE(layout.cropped);
        EXPECT_LE(firstDown(layout), 0.33 + 1e-3);
        EXPECT_GE(lastDown(layout, size.second), 0.83 - 1e-3);
        expectCovers(size.first, size.second);
    }
    const SceneLayout ultra = sceneLayoutFor(3440, 1440);
    EXPECT_EQ(ultra.height, 1935);  // 3440 x 9 / 16 = 1935
    const SceneLayout superUltra = sceneLayoutFor(5120, 1440);
    EXPECT_EQ(superUltra.height, 2880);
    // Room beyond the band goes both ways: some canopy is cut above, some forest floor below.
    const SceneLayout wide = sceneLayoutFor(2560, 1080);
    EXPECT_GT(wide.y, 0);
    EXPECT_LT(wide.y + 1080, wide.height);
}

TEST(SceneLayout, ExtremeShapesCentreOnTheDeer)
{
    const SceneLayout needle = sceneLayoutFor(1, 10000);
    EXPECT_TRUE(needle.cropped);
    EXPECT_EQ(needle.height, 10000);
    EXPECT_EQ(needle.width, 13334);
    EXPECT_GT(firstAcross(needle), 0.42);
    EXPECT_LT(lastAcross(needle, 1), 0.635);
    const SceneLayout slit = sceneLayoutFor(10000, 1);
    EXPECT_TRUE(slit.cropped);
    EXPECT_EQ(slit.width, 10000);
    EXPECT_EQ(slit.height, 5625);
    EXPECT_GT(firstDown(slit), 0.60);
    EXPECT_LT(lastDown(slit, 1), 0.83);
    expectCovers(1, 10000);
    expectCovers(10000, 1);
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    expectCovers(most, 1);
    expectCovers(1, most / 2);
    const SceneLayout tallest = sceneLayoutFor(1, most);
    EXPECT_EQ(tallest.width, most);  // 4:3 of it would not fit in 32 bits
    EXPECT_GE(tallest.x, 0);
    EXPECT_LE(std::int64_t(tallest.x) + 1, tallest.width);
}

TEST(SceneLayout, EmptyAndNegativeSizesAreLaidOutAsTheyAre)
{
    for (auto size : {std::pair{0, 0}, {0, 1080}, {1920, 0}, {-1, -1}, {-1920, 1080}, {1920, -1080}, {-5, 0}}) {
        SCOPED_TRACE(::testing::Message() << size.first << "x" << size.second);
        EXPECT_FALSE(designedShape(size.first, size.second));
        const SceneLayout layout = sceneLayoutFor(size.first, size.second);
        EXPECT_FALSE(layout.cropped);
        EXPECT_EQ(layout.width, size.first);
        EXPECT_EQ(layout.height, size.second);
        EXPECT_EQ(layout.x, 0);
        EXPECT_EQ(layout.y, 0);
    }
}

TEST(SceneLayout, EverySmallSizeIsCoveredAndHoldsTheView)
{
    for (int w = 1; w <= 160; ++w)
        for (int h = 1; h <= 160; ++h)
            expectCovers(w, h);
}
