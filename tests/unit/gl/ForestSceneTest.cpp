// The forest's scene build on a real GL context, against the scene table: layers, their places and
// motions, the texts, one batch upload, and the sounds.
#include "engine/GLDriver.h"
#include "engine/Texture.h"
#include "engine/services/Font.h"
#include "engine/services/Sound.h"
#include "scene/Forest.h"
#include "scene/ForestLayers.h"
#include "scene/Sprite.h"
#include "scene/policies/AnimatedSprite.h"
#include "scene/policies/BlendedAnimationSprite.h"
#include "scene/policies/RotatedSprite.h"
#include "scene/policies/SimpleSprite.h"
#include "scene/policies/TextPolicies.h"
#include "scene/policies/TextSprite.h"
#include "scene/policies/TranslatedSprite.h"

#include "DrawingSurface.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace System;
using Windows::Forest;
using Windows::ForestLayer;
using Windows::ForestLayers;
using Windows::LayerPicture;

namespace {

class ForestScene : public ::testing::Test {
protected:
    static void SetUpTestSuite() { surface = std::make_unique<DrawingSurface>(); }
    static void TearDownTestSuite() { surface.reset(); }
    void SetUp() override { ASSERT_TRUE(surface->ready); }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    std::unique_ptr<Forest> build(int width, int height, bool showTime = true, bool twelveHour = true,
                                  bool showFps = false)
    {
        auto forest = std::make_unique<Forest>(0, 0, width, height);
        forest->setShowTime(showTime);
        forest->setTwelveHourClock(twelveHour);
        forest->setShowFps(showFps);
        forest->prepare(surface->driver);
        return forest;
    }

    // The sprite of a layer (its name in ForestLayers), or "clock" or "fps", when it is of that kind.
    template <class Policy>
    static Sprite<Policy>* as(const Forest& forest, const std::string& name)
    {
        return dynamic_cast<Sprite<Policy>*>(forest.sprite(name));
    }

    static std::unique_ptr<DrawingSurface> surface;
};

std::unique_ptr<DrawingSurface> ForestScene::surface;

const std::size_t LayerCount = std::size(ForestLayers);

// Every layer's pictures, in table order.
std::vector<std::string> pictureNames()
{
    std::vector<std::string> names;
    for (const ForestLayer& layer : ForestLayers)
        for (const LayerPicture& picture : layer.pictures)
            if (picture.name)
                names.push_back(picture.name);
    return names;
}

std::string nameOf(const Texture* texture)
{
    return texture ? texture->getName() : "(none)";
}

} // namespace

TEST_F(ForestScene, TwelveLayersInDrawOrderWithTheTablesPlacesAndMotions)
{
    auto forest = build(1920, 1080);
    ASSERT_EQ(forest->getSprites().size(), LayerCount + 1);
    // Drawn in table order, the clock over them.
    for (std::size_t i = 0; i < LayerCount; ++i)
        EXPECT_EQ(forest->getSprites()[i], forest->sprite(ForestLayers[i].name)) << ForestLayers[i].name;
    EXPECT_EQ(forest->getSprites().back(), forest->sprite("clock"));

    for (const char* name : {"background", "bg2", "treebig", "tree_light"}) {
        auto* layer = as<simple_sprite>(*forest, name);
        ASSERT_NE(layer, nullptr) << name;
        EXPECT_EQ(layer->rect, (Rect{0, 0, 1920, 1080})) << name;
        EXPECT_EQ(nameOf(layer->texture), name);
    }

    auto* deer = as<rotated_sprite<paused_update>>(*forest, "deer");
    ASSERT_NE(deer, nullptr);
    EXPECT_EQ(nameOf(deer->texture), "deer");
    EXPECT_EQ(deer->rect, (Rect{1036, 680, 192, 140}));
    EXPECT_EQ(deer->minAngle, -20.0f);
    EXPECT_EQ(deer->maxAngle, 20.0f);
    EXPECT_EQ(deer->speed, 1.0f);
    EXPECT_EQ(deer->pauseTime, 7.0f);
    EXPECT_EQ(deer->pivot.x, 0.0f);
    EXPECT_EQ(deer->pivot.y, 0.0f);

    struct PlantRow {
        const char* name;
        Rect rect;
        float minAngle, maxAngle, swingScale, pivotX, pivotY;
    };
    // Pivots are fractions of the screen, not truncated: 0.18 x 1080 = 194.4.
    const PlantRow plants[] = {
        {"plant1", {729, 756, 327, 194}, 1.0f, 4.6f, 1.08f, 192.0f, 194.4f},
        {"plant2", {998, 680, 365, 227}, 3.0f, 7.8f, -1.11f, 230.4f, 194.4f},
        {"plant3", {1344, 734, 729, 443}, 5.3f, 11.0f, 0.4f, 576.0f, 302.4f},
        {"plant4", {-40, 732, 576, 378}, -5.0f, 1.0f, -0.4f, 0.0f, 302.4f},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        auto* plant = as<rotated_sprite<sine_update>>(*forest, plants[i].name);
        ASSERT_NE(plant, nullptr) << i;
        const PlantRow& row = plants[i];
        EXPECT_EQ(nameOf(plant->texture), row.name);
        EXPECT_EQ(plant->rect, row.rect) << row.name;
        EXPECT_EQ(plant->minAngle, row.minAngle) << row.name;
        EXPECT_EQ(plant->maxAngle, row.maxAngle) << row.name;
        EXPECT_EQ(plant->swingScale, row.swingScale) << row.name;
        EXPECT_FLOAT_EQ(plant->pivot.x, row.pivotX) << row.name;
        EXPECT_FLOAT_EQ(plant->pivot.y, row.pivotY) << row.name;
    }
    // Plant 3 reaches past the right and bottom edges, plant 4 past the left and bottom.
    const Rect plant3 = plants[2].rect, plant4 = plants[3].rect;
    EXPECT_GT(plant3.x + plant3.width, 1920);
    EXPECT_GT(plant3.y + plant3.height, 1080);
    EXPECT_LT(plant4.x, 0);
    EXPECT_GT(plant4.y + plant4.height, 1080);

    auto* lights = as<blended_animation_sprite>(*forest, "light");
    ASSERT_NE(lights, nullptr);
    ASSERT_EQ(lights->frames.size(), 3u);
    EXPECT_EQ(nameOf(lights->frames[0]) + nameOf(lights->frames[1]) + nameOf(lights->frames[2]),
              "light1light2light3");
    EXPECT_EQ(lights->sequence, (std::vector<unsigned>{0, 1, 2}));
    EXPECT_EQ(lights->fadeTime, 2.0f);
    EXPECT_EQ(lights->rect, (Rect{0, 0, 1920, 1080}));

    auto* rabbit = as<translated_sprite>(*forest, "rabbit");
    ASSERT_NE(rabbit, nullptr);
    EXPECT_EQ(nameOf(rabbit->texture), "rabbit");
    EXPECT_EQ(rabbit->rect, (Rect{422, 691, 67, 54}));
    EXPECT_EQ(rabbit->speed, 2.0f);
    EXPECT_EQ(rabbit->pauseTime, 6.0f);
    EXPECT_FLOAT_EQ(rabbit->maxDistance, 54.0f);
    EXPECT_EQ(rabbit->axis.x, 0.0f);
    EXPECT_EQ(rabbit->axis.y, 1.0f);

    auto* woodpecker = as<animated_sprite>(*forest, "woodpecker");
    ASSERT_NE(woodpecker, nullptr);
    ASSERT_EQ(woodpecker->frames.size(), 3u);
    EXPECT_EQ(nameOf(woodpecker->frames[0]) + nameOf(woodpecker->frames[1]) + nameOf(woodpecker->frames[2]),
              "wpa1wpa2wpa3");
    EXPECT_EQ(woodpecker->sequence, (std::vector<unsigned>{0, 1, 2, 1}));
    EXPECT_EQ(woodpecker->frameTime, 0.02f);
    EXPECT_EQ(woodpecker->burstTime, 1.3f);
    EXPECT_EQ(woodpecker->idleTime, 8.0f);

    auto* clock = as<text_sprite<time_12h>>(*forest, "clock");
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->rect, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(clock->position.x, 0.63f);
    EXPECT_EQ(clock->position.y, 0.93f);
    EXPECT_EQ(clock->colour.a, 0.95f);
    EXPECT_EQ(clock->colour.r + clock->colour.g + clock->colour.b, 3.0f);
    EXPECT_EQ(clock->text, "Cool clock here :)");
    ASSERT_NE(clock->font, nullptr);
    EXPECT_EQ(clock->font->getName(), "font");
    EXPECT_EQ(clock->font->getScaleX(), 0.5f);
    EXPECT_EQ(clock->font->getScaleY(), 2.5f);
    EXPECT_NE(clock->font->getListBase(), 0u);
    EXPECT_EQ(forest->getColour(), (Colour32{255, 255, 255, 255}));
}

TEST_F(ForestScene, PicturesAreRegisteredInTableOrderAndUploadedInOneBatch)
{
    LogCapture log;
    auto forest = build(1024, 768);
    std::vector<std::string> registered, uploaded;
    for (const std::string& line : log.texts()) {
        const std::string added = "Texture added to resourceBuffer ", sent = "[GL] Texture uploaded ";
        if (line.compare(0, added.size(), added) == 0)
            registered.push_back(line.substr(added.size(), line.size() - added.size() - 1));
        if (line.compare(0, sent.size(), sent) == 0)
            uploaded.push_back(line.substr(sent.size(), line.size() - sent.size() - 1));
    }
    const std::vector<std::string> PictureNames = pictureNames();
    EXPECT_EQ(registered, PictureNames);
    EXPECT_EQ(log.count("Buffer uploaded\n"), 1u);
    const long batch = log.indexOf("Buffer uploaded\n");
    // The font's sheet goes up on its own when its lists are built, before the batch.
    ASSERT_FALSE(uploaded.empty());
    EXPECT_EQ(uploaded.front(), "font");
    EXPECT_LT(log.indexOf("[GL] Texture uploaded font\n"), log.indexOf("[GL] Texture uploaded " + PictureNames[0] + "\n"));
    std::vector<std::string> batchUploads(uploaded.begin() + 1, uploaded.end());
    std::sort(batchUploads.begin(), batchUploads.end());
    std::vector<std::string> expected = PictureNames;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(batchUploads, expected);
    for (const std::string& name : PictureNames)
        EXPECT_LT(log.indexOf("[GL] Texture uploaded " + name + "\n"), batch) << name;

    // Every layer's pictures are on the GL side, with no decoded pixels kept.
    auto* background = as<simple_sprite>(*forest, "background");
    ASSERT_NE(background, nullptr);
    EXPECT_TRUE(background->texture->isUploaded());
    EXPECT_NE(background->texture->getGlName(), 0u);
    EXPECT_EQ(background->texture->getPixels(), nullptr);
}

TEST_F(ForestScene, TheBirdSongPlaysAfterTheBuildThePeckingWithEachBurstAndTheFormStopsBoth)
{
    auto forest = build(1024, 768);
    Sound* birds = forest->getBirdsSound();
    Sound* woodpecker = forest->getWoodpeckerSound();
    ASSERT_TRUE(birds && woodpecker);
    ASSERT_TRUE(birds->hasStream()) << "no audio output: is ALSOFT_DRIVERS=null set?";
    EXPECT_EQ(birds->getName(), "birds");
    EXPECT_TRUE(birds->isRepeating());
    EXPECT_TRUE(birds->isPlaying());
    EXPECT_EQ(woodpecker->getName(), "woodpecker");
    EXPECT_FALSE(woodpecker->isRepeating());
    EXPECT_FALSE(woodpecker->isPlaying());

    forest->update(0.0);
    auto* clock = as<text_sprite<time_12h>>(*forest, "clock");
    ASSERT_NE(clock, nullptr);
    EXPECT_NE(clock->text, "Cool clock here :)");
    forest->update(8.0);  // the first rest is exactly 8 s
    EXPECT_FALSE(woodpecker->isPlaying());
    forest->update(0.01);
    EXPECT_TRUE(woodpecker->isPlaying());

    forest.reset();
    EXPECT_FALSE(birds->isPlaying());
    EXPECT_FALSE(woodpecker->isPlaying());
}

TEST_F(ForestScene, TheClockFollowsItsOptionsAndTheFrameRateTextComesLast)
{
    {
        auto forest = build(1024, 768, true, false);
        ASSERT_EQ(forest->getSprites().size(), LayerCount + 1);
        EXPECT_EQ(as<text_sprite<time_12h>>(*forest, "clock"), nullptr);
        auto* clock = as<text_sprite<time_24h>>(*forest, "clock");
        ASSERT_NE(clock, nullptr);
        EXPECT_EQ(clock->position.x, 0.68f);
        EXPECT_EQ(clock->position.y, 0.93f);
        EXPECT_EQ(clock->rect, (Rect{0, 0, 1024, 768}));
    }
    for (bool twelveHour : {true, false}) {
        auto forest = build(1024, 768, false, twelveHour);
        EXPECT_EQ(forest->getSprites().size(), LayerCount) << twelveHour;
        EXPECT_EQ(forest->sprite("clock"), nullptr) << twelveHour;
        EXPECT_NE(as<animated_sprite>(*forest, "woodpecker"), nullptr);
    }
    {
        LogCapture log;
        auto forest = build(1024, 768, true, true, true);
        ASSERT_EQ(forest->getSprites().size(), LayerCount + 2);
        EXPECT_NE(as<text_sprite<time_12h>>(*forest, "clock"), nullptr);
        auto* fps = as<text_sprite<fpsometer>>(*forest, "fps");
        ASSERT_NE(fps, nullptr);
        EXPECT_EQ(forest->getSprites().back(), fps);
        EXPECT_EQ(fps->position.x, 0.02f);
        EXPECT_EQ(fps->position.y, 0.05f);
        EXPECT_EQ(fps->colour.a, 1.0f);
        EXPECT_EQ(fps->text, "FPSometer");
        EXPECT_EQ(fps->font, as<text_sprite<time_12h>>(*forest, "clock")->font);
        // One shared font, built once for each text.
        EXPECT_EQ(log.count("[GL] Texture uploaded font\n"), 2u);
    }
}

// A view that shows a crop: every layer stands where a scene built at the frame's size puts it, moved by
// the frame's position; the texts keep to the part shown. Laid out back, the scene is as built.
TEST_F(ForestScene, LaidOutInACroppedFrameEachLayerStandsAsInAFrameOfThatSize)
{
    auto forest = build(1920, 1080, true, true, true);
    auto wide = build(2560, 1440, true, true, true);
    auto fresh = build(1920, 1080, true, true, true);
    auto* rabbit = as<translated_sprite>(*forest, "rabbit");
    ASSERT_NE(rabbit, nullptr);
    rabbit->distance = 27.0f;  // half way down

    const Rect frame{0, -295, 2560, 1440}, shown{0, 0, 2560, 1080};
    forest->layOut(frame, shown);
    auto rectOf = [](const Forest& f, const std::string& name) {
        // Every sprite kind keeps its rectangle in the Sprite part; find it through the kinds used.
        if (auto* s = as<simple_sprite>(f, name)) return s->rect;
        if (auto* s = as<rotated_sprite<paused_update>>(f, name)) return s->rect;
        if (auto* s = as<rotated_sprite<sine_update>>(f, name)) return s->rect;
        if (auto* s = as<blended_animation_sprite>(f, name)) return s->rect;
        if (auto* s = as<translated_sprite>(f, name)) return s->rect;
        if (auto* s = as<animated_sprite>(f, name)) return s->rect;
        return Rect{-1, -1, -1, -1};
    };
    for (const ForestLayer& layer : ForestLayers) {
        Rect expected = rectOf(*wide, layer.name);
        expected.y -= 295;
        EXPECT_EQ(rectOf(*forest, layer.name), expected) << layer.name;
    }
    EXPECT_EQ(rectOf(*forest, "background"), frame);
    EXPECT_EQ(rectOf(*forest, "deer"), (Rect{1382, 612, 256, 187}));
    for (const char* name : {"plant1", "plant2", "plant3", "plant4"}) {
        auto* plant = as<rotated_sprite<sine_update>>(*forest, name);
        auto* expected = as<rotated_sprite<sine_update>>(*wide, name);
        EXPECT_FLOAT_EQ(plant->pivot.x, expected->pivot.x) << name;
        EXPECT_FLOAT_EQ(plant->pivot.y, expected->pivot.y) << name;
    }
    EXPECT_FLOAT_EQ(rabbit->maxDistance, 72.0f);
    EXPECT_FLOAT_EQ(rabbit->distance, 36.0f);
    EXPECT_EQ(as<text_sprite<time_12h>>(*forest, "clock")->rect, shown);
    EXPECT_EQ(as<text_sprite<fpsometer>>(*forest, "fps")->rect, shown);

    forest->layOut(Rect{0, 0, 1920, 1080}, Rect{0, 0, 1920, 1080});
    for (const ForestLayer& layer : ForestLayers)
        EXPECT_EQ(rectOf(*forest, layer.name), rectOf(*fresh, layer.name)) << layer.name;
    EXPECT_FLOAT_EQ(rabbit->maxDistance, 54.0f);
    EXPECT_FLOAT_EQ(rabbit->distance, 27.0f);
    EXPECT_EQ(as<text_sprite<time_12h>>(*forest, "clock")->rect, (Rect{0, 0, 1920, 1080}));
    auto* plant4 = as<rotated_sprite<sine_update>>(*forest, "plant4");
    EXPECT_FLOAT_EQ(plant4->pivot.y, as<rotated_sprite<sine_update>>(*fresh, "plant4")->pivot.y);
}

TEST_F(ForestScene, ARenderClearsThenDrawsTheLayersOverTheWholeWindow)
{
    const int size = DrawingSurface::Size;
    auto forest = build(size, size, false);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    forest->update(0.0);
    forest->render(surface->driver);
    // Magenta would show through anywhere the clear or the background failed to cover.
    for (int y = 0; y < size; y += 15)
        for (int x = 0; x < size; x += 15)
            ASSERT_FALSE(surface->at(x, y) == (Pixel{255, 0, 255})) << x << ", " << y;
    EXPECT_EQ(surface->driver.getMode2D(), 2);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

TEST_F(ForestScene, TheLightsFadeWithoutAJumpThroughTheirFirstTenSeconds)
{
    const int size = DrawingSurface::Size;
    auto forest = build(size, size, false);
    auto* background = as<simple_sprite>(*forest, "background");
    auto* lights = as<blended_animation_sprite>(*forest, "light");
    ASSERT_NE(background, nullptr);
    ASSERT_NE(lights, nullptr);
    // The first cross-fade already leads from the first picture towards the second.
    EXPECT_EQ(lights->toFrame, lights->sequence[(blended_animation_sprite::sequencePosition + 1) % 3]);
    EXPECT_NE(lights->fromFrame, lights->toFrame);

    // The lights over the background at 60 frames a second, every pixel compared with the frame before.
    const double step = 1.0 / 60.0;
    std::vector<unsigned char> before, now(size * size * 4);
    int worst = 0;
    double worstAt = 0.0;
    for (int frame = 0; frame <= 600; ++frame) {
        lights->update(frame ? step : 0.0);
        surface->clear();
        background->render(surface->driver);
        lights->render(surface->driver);
        glFinish();
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, now.data());
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (i % 4 == 3)
                continue;
            int change = std::abs(int(now[i]) - int(before[i]));
            if (change > worst) {
                worst = change;
                worstAt = frame * step;
            }
        }
        before.swap(now);
        now.resize(before.size());
    }
    // A fade of 2 s moves a channel by at most 255 / 120 levels per frame, twice for the two pictures.
    EXPECT_LE(worst, 5) << "a change of " << worst << " levels at " << worstAt << " s";
}
