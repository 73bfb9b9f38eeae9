// What the picture policies put on screen: turning about the pivot, shifting, cross-fading, frames.
#include "engine/Texture.h"
#include "scene/Sprite.h"
#include "scene/policies/AnimatedSprite.h"
#include "scene/policies/BlendedAnimationSprite.h"
#include "scene/policies/RotatedSprite.h"
#include "scene/policies/TranslatedSprite.h"

#include "DrawingSurface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace System;

namespace {

const Rect Area{0, 0, 256, 256};

// A rectangle of Area in pixels, as fractions.
PointF fraction(int x, int y)
{
    return PointF{x / 256.0f, y / 256.0f};
}

class SpriteDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        surface = std::make_unique<DrawingSurface>();
        if (!surface->ready)
            return;
        red = solid(255, 0, 0);
        green = solid(0, 255, 0);
    }
    static void TearDownTestSuite()
    {
        red.reset();
        green.reset();
        surface.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(surface->ready);
        surface->clear();
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    static std::unique_ptr<Texture> solid(std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        Colour32 colour;
        colour.r = r;
        colour.g = g;
        colour.b = b;
        colour.a = 255;
        auto texture = std::make_unique<Texture>(4, 4, colour);
        surface->driver.upload(*texture);
        return texture;
    }

    GLDriver& driver() { return surface->driver; }
    Pixel at(int x, int y) { return surface->at(x, y); }

    static std::unique_ptr<DrawingSurface> surface;
    static std::unique_ptr<Texture> red, green;
};

std::unique_ptr<DrawingSurface> SpriteDrawing::surface;
std::unique_ptr<Texture> SpriteDrawing::red, SpriteDrawing::green;

} // namespace

TEST_F(SpriteDrawing, APositiveAngleTurnsClockwiseAboutTheCornerPlusPivot)
{
    // 40 x 20 at (100, 100).
    Sprite<rotated_sprite<sine_update>> plant(fraction(100, 100), fraction(140, 120), Point(), &Area);
    plant.texture = red.get();
    plant.angle = 90.0f;
    plant.render(driver());
    // About the corner: the rectangle now hangs below it, to its left.
    EXPECT_EQ(at(90, 130), Red);
    EXPECT_EQ(at(120, 110), Black);

    surface->clear();
    plant.pivot = PointF{20.0f, 10.0f};  // its centre: 20 wide, 40 high about (120, 110)
    plant.render(driver());
    EXPECT_EQ(at(120, 92), Red);
    EXPECT_EQ(at(120, 128), Red);
    EXPECT_EQ(at(105, 110), Black);
    EXPECT_EQ(at(135, 110), Black);

    // The caller's matrix is untouched afterwards.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[12], 0.0f);
}

TEST_F(SpriteDrawing, ATranslatedSpriteMovesAlongItsAxisByItsDistance)
{
    Sprite<translated_sprite> rabbit(fraction(10, 10), fraction(30, 30), Point(), &Area);
    rabbit.texture = red.get();
    rabbit.axis = PointF{0.0f, 1.0f};
    rabbit.distance = 30.0f;
    rabbit.render(driver());
    EXPECT_EQ(at(20, 39), Black);
    EXPECT_EQ(at(20, 40), Red);
    EXPECT_EQ(at(20, 59), Red);
    EXPECT_EQ(at(20, 60), Black);
}

TEST_F(SpriteDrawing, LightsDrawTheOldFrameAtOneMinusBlendThenTheNewAtBlend)
{
    Sprite<blended_animation_sprite> lights(fraction(0, 0), fraction(64, 64), Point(), &Area);
    lights.frames = {red.get(), green.get()};
    lights.sequence = {0, 1};
    lights.fadeTime = 2.0f;
    lights.render(driver());  // both frames are 0 until the first cross-fade ends
    EXPECT_EQ(at(10, 10), Red);

    blended_animation_sprite::sequencePosition = 1;
    lights.update(2.5);  // ends a cross-fade: from 0 to 1
    lights.update(0.5);  // a quarter of the next one
    ASSERT_EQ(lights.fromFrame, 0u);
    ASSERT_EQ(lights.toFrame, 1u);
    surface->clear();
    lights.render(driver());
    const Pixel mixed = at(10, 10);
    EXPECT_NEAR(mixed.r, 255 * 0.75 * 0.75, 1.5);
    EXPECT_NEAR(mixed.g, 255 * 0.25, 1.5);
    EXPECT_EQ(mixed.b, 0);
    EXPECT_EQ(lights.colour.a, 0.25f);
}

TEST_F(SpriteDrawing, TheWoodpeckerShowsItsCurrentFrameAndNoFramesDrawNothing)
{
    Sprite<animated_sprite> bird(fraction(0, 0), fraction(64, 64), Point(), &Area);
    bird.frames = {red.get(), green.get()};
    bird.currentFrame = 1;
    bird.render(driver());
    EXPECT_EQ(at(10, 10), Green);

    // Indexes past the frames, or no frames at all: nothing, not a white square.
    surface->clear();
    bird.currentFrame = 2;
    bird.render(driver());
    Sprite<blended_animation_sprite> lights(fraction(0, 0), fraction(64, 64), Point(), &Area);
    lights.render(driver());
    EXPECT_EQ(at(10, 10), Black);
}
