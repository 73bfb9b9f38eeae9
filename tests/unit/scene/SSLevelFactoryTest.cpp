#include "LogCapture.h"
#include "engine/Texture.h"
#include "scene/BlackScreen.h"
#include "scene/SSLevelFactory.h"
#include "scene/SpriteAdapter.h"
#include "scene/policies/SimpleSprite.h"

#include <gtest/gtest.h>

#include <memory>

using namespace System;

// The 1x set up to 2048 pixels on each side of every view, the 2x set above; the largest view decides,
// and the scene's area only when there are no views.
TEST(SSLevelFactory, PictureSetFollowsTheLargestView)
{
    auto rect = [](int x, int y, int width, int height) {
        Rect r;
        r.x = x;
        r.y = y;
        r.width = width;
        r.height = height;
        return r;
    };
    const Rect none;
    EXPECT_EQ(SSLevelFactory::pictureScale(none, {rect(0, 0, 1920, 1080)}), 1);
    EXPECT_EQ(SSLevelFactory::pictureScale(none, {rect(0, 0, 1920, 1200)}), 1);
    EXPECT_EQ(SSLevelFactory::pictureScale(none, {rect(0, 0, 2048, 2048)}), 1);
    EXPECT_EQ(SSLevelFactory::pictureScale(none, {rect(0, 0, 2049, 1152)}), 2);
    EXPECT_EQ(SSLevelFactory::pictureScale(none, {rect(0, 0, 1440, 2560)}), 2);
    EXPECT_EQ(SSLevelFactory::pictureScale(none, {rect(0, 0, 3840, 2160)}), 2);
    // Two monitors side by side: each view is one monitor.
    EXPECT_EQ(SSLevelFactory::pictureScale(rect(0, 0, 3840, 1080), {rect(0, 0, 1920, 1080), rect(1920, 0, 1920, 1080)}), 1);
    EXPECT_EQ(SSLevelFactory::pictureScale(rect(0, 0, 5760, 2160), {rect(0, 0, 1920, 1080), rect(1920, 0, 3840, 2160)}), 2);
    // A host's small window shows a scene laid out at 3840x2160 in 640x360 pixels.
    EXPECT_EQ(SSLevelFactory::pictureScale(rect(0, 0, 3840, 2160), {rect(0, 0, 640, 360)}), 1);
    EXPECT_EQ(SSLevelFactory::pictureScale(rect(0, 0, 1920, 1080), {}), 1);
    EXPECT_EQ(SSLevelFactory::pictureScale(rect(0, 0, 2560, 1440), {}), 2);
}

TEST(SSLevelFactory, CreateLevelGivesNothing)
{
    SSLevelFactory factory;
    EXPECT_EQ(factory.createLevel(), nullptr);
}

TEST(SSLevelFactory, BlankLevelIsABlackScreen)
{
    SSLevelFactory factory;
    std::unique_ptr<Object> level(factory.createBlankLevel());
    auto* screen = dynamic_cast<Windows::BlackScreen*>(level.get());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->getName(), "BlackScreen");
    Colour32 colour = screen->getColour();
    EXPECT_EQ(colour.r, 30);
    EXPECT_EQ(colour.g, 30);
    EXPECT_EQ(colour.b, 200);
    EXPECT_EQ(colour.a, 255);
    Colour32 first = screen->getBorderColour();  // what the constructor was given
    EXPECT_EQ(first.r, 10);
    EXPECT_EQ(first.b, 100);
    EXPECT_EQ(first.a, 200);
    EXPECT_EQ(screen->bounds(), Rect());
    EXPECT_EQ(screen->getTexture(), nullptr);
}

// The loading screen covers the whole area with picture 125, decoded at once and sampled with
// filter 10; a second loading screen finds the texture in the cache.
TEST(SSLevelFactory, LoadingScreenIsPicture125OverTheArea)
{
    SSLevelFactory factory;
    LogCapture log;
    Rect area;
    area.x = 30;
    area.y = 40;
    area.width = 1024;
    area.height = 768;
    std::unique_ptr<Object> screen(factory.createLoadingScreen(area));
    auto* adapter = dynamic_cast<SpriteAdapter*>(screen.get());
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->getName(), "adapter");
    std::unique_ptr<Sprite<simple_sprite>> sprite(dynamic_cast<Sprite<simple_sprite>*>(adapter->getSprite()));
    ASSERT_NE(sprite, nullptr);
    Rect whole;
    whole.width = 1024;
    whole.height = 768;
    EXPECT_EQ(sprite->rect, whole);
    ASSERT_NE(sprite->texture, nullptr);
    EXPECT_EQ(sprite->texture->getName(), "125");
    EXPECT_EQ(sprite->texture->getFilter(), 10);
    EXPECT_TRUE(sprite->texture->isLoaded());
    EXPECT_EQ(sprite->texture->getWidth(), 512);
    bool created = log.count("Texture created 125\n") == 1;
    bool cached = log.count("Texture found in cache 125\n") == 1;
    EXPECT_TRUE(created || cached);  // another test of this process may have made it first

    std::unique_ptr<Object> again(factory.createLoadingScreen(area));
    std::unique_ptr<BaseSprite> secondSprite(dynamic_cast<SpriteAdapter&>(*again).getSprite());
    EXPECT_EQ(log.count("Texture found in cache 125\n"), cached ? 2u : 1u);
    EXPECT_EQ(dynamic_cast<Sprite<simple_sprite>&>(*secondSprite).texture, sprite->texture);
}
