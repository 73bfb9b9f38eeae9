#include "scene/Forest.h"

#include "engine/CommandRegistry.h"
#include "engine/GLDriver.h"
#include "engine/ResourceManager.h"
#include "engine/services/Font.h"
#include "engine/services/Sound.h"
#include "engine/services/SoundManager.h"
#include "scene/ResourceHelpers.h"
#include "scene/Sprite.h"
#include "scene/policies/AnimatedSprite.h"
#include "scene/policies/BlendedAnimationSprite.h"
#include "scene/policies/RotatedSprite.h"
#include "scene/policies/SimpleSprite.h"
#include "scene/policies/TextPolicies.h"
#include "scene/policies/TextSprite.h"
#include "scene/policies/TranslatedSprite.h"

#include <memory>
#include <string>

namespace System::Windows {

namespace {

const unsigned long SpaceKey = 57;
const unsigned BirdsSoundId = 153;
const unsigned WoodpeckerSoundId = 152;
const unsigned FontImageId = 154;
const char* const FontName = "font";
const char* const InitialClockText = "Cool clock here :)";
const char* const InitialFpsText = "FPSometer";

Types::PointF at(float x, float y)
{
    Types::PointF point;
    point.x = x;
    point.y = y;
    return point;
}

Types::Colour rgba(float r, float g, float b, float a)
{
    Types::Colour c;
    c.r = r;
    c.g = g;
    c.b = b;
    c.a = a;
    return c;
}

void quit()
{
    CommandRegistry::instance().execute("quit");
}

// Registers the picture for the batch upload; the texture gets its pixels there.
Texture* image(const std::string& name, unsigned id)
{
    return ResourceManager::instance().addToBuffer(name, loadResourceBlock(id, "IMAGE"));
}

template <class Policy>
std::unique_ptr<Sprite<Policy>> make(const Types::Rect& area, Types::PointF topLeft, Types::PointF bottomRight,
                                     Types::Point offset = Types::Point())
{
    return std::make_unique<Sprite<Policy>>(topLeft, bottomRight, offset, &area);
}

// The list owns what it holds, so a later failure of the build frees what was added.
template <class Policy>
void append(std::vector<BaseSprite*>& sprites, std::unique_ptr<Sprite<Policy>> sprite)
{
    sprites.push_back(sprite.get());
    sprite.release();
}

// A text sprite over the whole area with the shared font, scaled 0.5 x 2.5 each time it is handed
// out; the font's glyph lists are built right after the sprite is added.
template <class Policy>
void addText(GLDriver& driver, std::vector<BaseSprite*>& sprites, const Types::Rect& area, Types::PointF position,
             Types::Colour textColour, const char* initialText)
{
    auto sprite = make<text_sprite<Policy>>(area, at(0, 0), at(1, 1));
    Font* font = ResourceManager::instance().font(FontName, loadResourceBlock(FontImageId, "IMAGE"));
    font->setScaleX(0.5f);
    font->setScaleY(2.5f);
    sprite->font = font;
    sprite->position = position;
    sprite->colour = textColour;
    sprite->text = initialText;
    append(sprites, std::move(sprite));
    driver.buildFont(*font);
}

} // namespace

Forest::Forest(int x, int y, int width, int height) : Form("forest")
{
    position.x = x;
    position.y = y;
    size.width = width;
    size.height = height;
}

Forest::~Forest()
{
    for (BaseSprite* sprite : sprites)
        delete sprite;
    if (woodpeckerSound)
        woodpeckerSound->stop();
    if (birdsSound)
        birdsSound->stop();
    quitRequested.disconnect_all_slots();
    sprites.clear();
}

void Forest::render(GLDriver& driver)
{
    driver.clearColour();
    for (BaseSprite* sprite : sprites)
        sprite->render(driver);
}

void Forest::update(double seconds)
{
    elapsed += seconds;
    if (elapsed > armDelay)
        armed = true;
    for (BaseSprite* sprite : sprites)
        sprite->update(seconds);
}

void Forest::mouseMove(Types::Point)
{
    // Any motion counts, on either axis.
    if (exitOnMouseMove && armed)
        quit();
}

void Forest::keyReleased(unsigned long code, char)
{
    if (code == SpaceKey)
        quitRequested();
    else
        quit();
}

// A resource that cannot be loaded throws out of here and leaves the scene half-built; whatever was
// built is in the list and freed with the form.
void Forest::prepare(GLDriver& driver)
{
    SoundManager& soundManager = SoundManager::instance();
    birdsSound = soundManager.createSound("birds", true, true, loadResourceBlock(BirdsSoundId, "SOUND"));
    woodpeckerSound =
        soundManager.createSound("woodpecker", false, true, loadResourceBlock(WoodpeckerSoundId, "SOUND"));
    sprites.reserve(12);
    setColour(Types::Colour32{255, 255, 255, 255});

    const float W = static_cast<float>(size.width);
    const float H = static_cast<float>(size.height);
    const Types::Point noOffset;
    // Every sprite is placed in the form's rectangle; only its size counts.
    const Types::Rect area = bounds();

    auto background = make<simple_sprite>(area, at(0, 0), at(1, 1), noOffset);
    background->texture = image("background", 128);
    append(sprites, std::move(background));

    auto deer = make<rotated_sprite<paused_update>>(area, at(0.54f, 0.63f), at(0.64f, 0.76f), noOffset);
    deer->texture = image("deer", 129);
    deer->minAngle = -20.0f;
    deer->maxAngle = 20.0f;
    deer->speed = 1.0f;
    deer->pauseTime = 7.0f;
    deer->pivot = at(0, 0);
    append(sprites, std::move(deer));

    auto bg2 = make<simple_sprite>(area, at(0, 0), at(1, 1), noOffset);
    bg2->texture = image("bg2", 130);
    append(sprites, std::move(bg2));

    struct Plant {
        const char* name;
        unsigned id;
        Types::PointF topLeft, bottomRight;
        Types::Point offset;
        float minAngle, maxAngle, swingScale;
        Types::PointF pivot;
    };
    const Plant plants[] = {
        {"plant1", 132, at(0.38f, 0.70f), at(0.55f, 0.88f), noOffset, 1.0f, 4.6f, 1.08f, at(0.10f * W, 0.18f * H)},
        {"plant2", 133, at(0.52f, 0.63f), at(0.71f, 0.84f), noOffset, 3.0f, 7.8f, -1.11f, at(0.12f * W, 0.18f * H)},
        {"plant3", 134, at(0.70f, 0.68f), at(1.08f, 1.09f), noOffset, 5.3f, 11.0f, 0.4f, at(0.30f * W, 0.28f * H)},
        {"plant4", 135, at(0.0f, 0.65f), at(0.30f, 1.0f), Types::Point{-40, 30}, -5.0f, 1.0f, -0.4f,
         at(0.0f, 0.28f * H)},
    };
    for (const Plant& plant : plants) {
        auto sprite = make<rotated_sprite<sine_update>>(area, plant.topLeft, plant.bottomRight, plant.offset);
        sprite->texture = image(plant.name, plant.id);
        sprite->minAngle = plant.minAngle;
        sprite->maxAngle = plant.maxAngle;
        sprite->swingScale = plant.swingScale;
        sprite->pivot = plant.pivot;
        append(sprites, std::move(sprite));
    }

    auto lights = make<blended_animation_sprite>(area, at(0, 0), at(1, 1), noOffset);
    lights->frames.push_back(image("light1", 136));
    lights->frames.push_back(image("light2", 137));
    lights->frames.push_back(image("light3", 138));
    lights->setSequence({0, 1, 2});
    lights->fadeTime = 2.0f;
    append(sprites, std::move(lights));

    auto rabbit = make<translated_sprite>(area, at(0.22f, 0.64f), at(0.255f, 0.69f), noOffset);
    rabbit->texture = image("rabbit", 139);
    rabbit->speed = 2.0f;
    rabbit->pauseTime = 6.0f;
    rabbit->maxDistance = 0.05f * H;
    rabbit->axis = at(0, 1);
    append(sprites, std::move(rabbit));

    auto treebig = make<simple_sprite>(area, at(0, 0), at(1, 1), noOffset);
    treebig->texture = image("treebig", 140);
    append(sprites, std::move(treebig));

    auto treeLight = make<simple_sprite>(area, at(0, 0), at(1, 1), noOffset);
    treeLight->texture = image("tree_light", 141);
    append(sprites, std::move(treeLight));

    auto woodpecker = make<animated_sprite>(area, at(0, 0), at(1, 1), noOffset);
    woodpecker->frames.push_back(image("wpa1", 142));
    woodpecker->frames.push_back(image("wpa2", 143));
    woodpecker->frames.push_back(image("wpa3", 144));
    woodpecker->sequence = {0, 1, 2, 1};
    woodpecker->frameTime = 0.02f;
    woodpecker->burstTime = 1.3f;
    woodpecker->idleTime = 8.0f;
    Sound* pecking = woodpeckerSound;
    woodpecker->burstStarted.connect([pecking] { pecking->play(); });
    append(sprites, std::move(woodpecker));

    if (showTime) {
        const Types::Colour clockColour = rgba(1.0f, 1.0f, 1.0f, 0.95f);
        if (twelveHourClock)
            addText<time_12h>(driver, sprites, area, at(0.63f, 0.93f), clockColour, InitialClockText);
        else
            addText<time_24h>(driver, sprites, area, at(0.68f, 0.93f), clockColour, InitialClockText);
    }
    if (showFps)
        addText<fpsometer>(driver, sprites, area, at(0.02f, 0.05f), rgba(1.0f, 1.0f, 1.0f, 1.0f), InitialFpsText);

    ResourceManager::instance().uploadBuffer(driver);
    birdsSound->play();
}

} // namespace System::Windows
