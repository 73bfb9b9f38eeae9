#include "engine/GLDriver.h"
#include "engine/Texture.h"
#include "scene/Sprite.h"
#include "scene/SpriteAdapter.h"
#include "scene/policies/SimpleSprite.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

PointF at(float x, float y)
{
    PointF point;
    point.x = x;
    point.y = y;
    return point;
}

Point offset(int x, int y)
{
    Point point;
    point.x = x;
    point.y = y;
    return point;
}

Rect rect(int x, int y, int width, int height)
{
    Rect r;
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    return r;
}

// Records what the sprite hands its policy.
struct recording_policy {
    double seconds = 0.0;
    int renders = 0;
    Rect renderedRect;
    Texture* renderedTexture = nullptr;
    void update(double s) { seconds += s; }
    void render(GLDriver&, const Rect& r, Texture* texture)
    {
        ++renders;
        renderedRect = r;
        renderedTexture = texture;
    }
};

} // namespace

TEST(SpriteRect, FractionsOfTheAreaTruncatedTowardZeroPlusOffset)
{
    const Rect area = rect(500, 300, 1920, 1080);
    // 0.3 x 1920 = 576, 0.64 x 1080 = 691.2 -> 691; the area's position does not enter.
    EXPECT_EQ(destinationRect(at(0.3f, 0.64f), at(0.335f, 0.69f), offset(0, 0), &area), rect(576, 691, 67, 54));
    // Negative products truncate toward zero, not down; offsets add in pixels.
    EXPECT_EQ(destinationRect(at(-0.0001f, -0.0001f), at(0.5f, 0.5f), offset(-40, 7), &area),
              rect(-40, 7, 960, 540));
    // Corners given the other way round still give a positive size.
    EXPECT_EQ(destinationRect(at(1.0f, 1.0f), at(0.5f, 0.75f), offset(0, 0), &area), rect(1920, 1080, 960, 270));
    // Fractions past 1 reach past the area.
    EXPECT_EQ(destinationRect(at(0.7f, 0.68f), at(1.08f, 1.09f), offset(0, 0), &area).width, 729);
    // No area reads as an empty one.
    EXPECT_EQ(destinationRect(at(0.5f, 0.5f), at(1.0f, 1.0f), offset(3, 4), nullptr), rect(3, 4, 0, 0));
}

TEST(Sprite, StartsWithoutTextureWithWhiteColourAndItsRect)
{
    const Rect area = rect(0, 0, 1024, 768);
    Sprite<simple_sprite> sprite(at(0, 0), at(1, 1), offset(0, 0), &area);
    EXPECT_EQ(sprite.texture, nullptr);
    EXPECT_EQ(sprite.rect, rect(0, 0, 1024, 768));
    EXPECT_EQ(sprite.colour.r, 1.0f);
    EXPECT_EQ(sprite.colour.g, 1.0f);
    EXPECT_EQ(sprite.colour.b, 1.0f);
    EXPECT_EQ(sprite.colour.a, 1.0f);
}

TEST(Sprite, ForwardsUpdateAndRenderToItsPolicy)
{
    const Rect area = rect(0, 0, 200, 100);
    Sprite<recording_policy> sprite(at(0.5f, 0.5f), at(1, 1), offset(0, 0), &area);
    Texture texture;
    sprite.texture = &texture;
    BaseSprite& base = sprite;
    GLDriver driver(200, 100, 32);
    base.update(0.25);
    base.update(0.5);
    base.render(driver);
    EXPECT_EQ(sprite.seconds, 0.75);
    EXPECT_EQ(sprite.renders, 1);
    EXPECT_EQ(sprite.renderedRect, rect(100, 50, 100, 50));
    EXPECT_EQ(sprite.renderedTexture, &texture);
}

TEST(SpriteAdapter, IsNamedAdapterForwardsAndLeavesTheSpriteAlive)
{
    const Rect area = rect(0, 0, 64, 64);
    auto* sprite = new Sprite<recording_policy>(at(0, 0), at(1, 1), offset(0, 0), &area);
    GLDriver driver(64, 64, 32);
    {
        SpriteAdapter adapter(sprite);
        EXPECT_EQ(adapter.getName(), "adapter");
        EXPECT_EQ(adapter.getSprite(), sprite);
        Object& object = adapter;
        object.update(2.0);
        object.render(driver);
        object.prepare(driver);  // no texture yet: nothing to upload
    }
    EXPECT_EQ(sprite->seconds, 2.0);
    EXPECT_EQ(sprite->renders, 1);
    delete sprite;
}
