#include "scene/Forest.h"

#include "engine/CommandRegistry.h"
#include "engine/GLDriver.h"
#include "engine/Log.h"
#include "engine/ResourceManager.h"
#include "engine/services/Font.h"
#include "engine/services/Sound.h"
#include "engine/services/SoundManager.h"
#include "scene/ForestLayers.h"
#include "scene/ResourceHelpers.h"
#include "scene/Sprite.h"
#include "scene/policies/AnimatedSprite.h"
#include "scene/policies/BlendedAnimationSprite.h"
#include "scene/policies/RotatedSprite.h"
#include "scene/policies/SimpleSprite.h"
#include "scene/policies/TextPolicies.h"
#include "scene/policies/TextSprite.h"
#include "scene/policies/TranslatedSprite.h"

#include <iterator>
#include <memory>
#include <string>
#include <vector>

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

// Registers the picture of the set (1 or 2) for the batch upload; the texture gets its pixels there.
Texture* image(const LayerPicture& picture, int scale)
{
    if (scale == 2)
        return ResourceManager::instance().addToBuffer(std::string(picture.name) + PictureName2x,
                                                       loadResourceBlock(picture.id + PictureId2x, "IMAGE"));
    return ResourceManager::instance().addToBuffer(picture.name, loadResourceBlock(picture.id, "IMAGE"));
}

std::vector<Texture*> frames(const ForestLayer& layer, int scale)
{
    std::vector<Texture*> textures;
    for (const LayerPicture& picture : layer.pictures)
        if (picture.name)
            textures.push_back(image(picture, scale));
    return textures;
}

template <class Policy>
std::unique_ptr<Sprite<Policy>> make(const Types::Rect& area, Types::PointF topLeft, Types::PointF bottomRight,
                                     Types::Point offset = Types::Point())
{
    return std::make_unique<Sprite<Policy>>(topLeft, bottomRight, offset, &area);
}

// The list owns what it holds, so a later failure of the build frees what was added.
template <class Policy>
void append(std::vector<BaseSprite*>& sprites, std::vector<std::string>& names, const std::string& name,
            std::unique_ptr<Sprite<Policy>> sprite)
{
    sprites.push_back(sprite.get());
    sprite.release();
    names.push_back(name);
}

using Placer = std::function<void(const Types::Rect&, const Types::Rect&)>;

// The layer's rectangle in a frame: its fractions of the frame's size, moved by its offset and by the
// frame's position.
template <class Policy>
void placeLayer(Sprite<Policy>& sprite, const ForestLayer& layer, const Types::Rect& frame)
{
    Types::Point offset = layer.offset;
    offset.x += frame.x;
    offset.y += frame.y;
    sprite.rect = destinationRect(layer.topLeft, layer.bottomRight, offset, &frame);
}

// A turning layer's rectangle and pivot in a frame.
template <class Policy>
Placer turningPlacer(Sprite<Policy>* sprite, const ForestLayer& layer)
{
    return [sprite, &layer](const Types::Rect& frame, const Types::Rect&) {
        placeLayer(*sprite, layer, frame);
        sprite->pivot = at(layer.pivot.x * float(frame.width), layer.pivot.y * float(frame.height));
    };
}

// One row of the layer table as a sprite, its pictures registered for the batch upload.
void addLayer(std::vector<BaseSprite*>& sprites, std::vector<std::string>& names, std::vector<Placer>& placers,
              const ForestLayer& layer, const Types::Rect& area, float W, float H, int scale, Sound* pecking)
{
    auto still = [&layer](auto* sprite) {
        return [sprite, &layer](const Types::Rect& frame, const Types::Rect&) { placeLayer(*sprite, layer, frame); };
    };
    switch (layer.motion) {
    case LayerMotion::Still: {
        auto sprite = make<simple_sprite>(area, layer.topLeft, layer.bottomRight, layer.offset);
        sprite->texture = image(layer.pictures[0], scale);
        placers.push_back(still(sprite.get()));
        append(sprites, names, layer.name, std::move(sprite));
        return;
    }
    case LayerMotion::Nod: {
        auto sprite = make<rotated_sprite<paused_update>>(area, layer.topLeft, layer.bottomRight, layer.offset);
        sprite->texture = image(layer.pictures[0], scale);
        sprite->minAngle = layer.minAngle;
        sprite->maxAngle = layer.maxAngle;
        sprite->speed = 1.0f;
        sprite->pauseTime = 7.0f;
        sprite->pivot = at(layer.pivot.x * W, layer.pivot.y * H);
        placers.push_back(turningPlacer(sprite.get(), layer));
        append(sprites, names, layer.name, std::move(sprite));
        return;
    }
    case LayerMotion::Sway: {
        auto sprite = make<rotated_sprite<sine_update>>(area, layer.topLeft, layer.bottomRight, layer.offset);
        sprite->texture = image(layer.pictures[0], scale);
        sprite->minAngle = layer.minAngle;
        sprite->maxAngle = layer.maxAngle;
        sprite->swingScale = layer.swingScale;
        sprite->pivot = at(layer.pivot.x * W, layer.pivot.y * H);
        placers.push_back(turningPlacer(sprite.get(), layer));
        append(sprites, names, layer.name, std::move(sprite));
        return;
    }
    case LayerMotion::Flicker: {
        auto sprite = make<blended_animation_sprite>(area, layer.topLeft, layer.bottomRight, layer.offset);
        sprite->frames = frames(layer, scale);
        sprite->setSequence({0, 1, 2});
        sprite->fadeTime = 2.0f;
        placers.push_back(still(sprite.get()));
        append(sprites, names, layer.name, std::move(sprite));
        return;
    }
    case LayerMotion::Hop: {
        auto sprite = make<translated_sprite>(area, layer.topLeft, layer.bottomRight, layer.offset);
        sprite->texture = image(layer.pictures[0], scale);
        sprite->speed = 2.0f;
        sprite->pauseTime = 6.0f;
        sprite->maxDistance = 0.05f * H;
        sprite->axis = at(0, 1);
        // The distance travelled keeps its share of the way in a frame of another height.
        placers.push_back([sprite = sprite.get(), &layer](const Types::Rect& frame, const Types::Rect&) {
            placeLayer(*sprite, layer, frame);
            const float longest = 0.05f * float(frame.height);
            sprite->distance = sprite->maxDistance > 0.0f ? sprite->distance * longest / sprite->maxDistance : 0.0f;
            sprite->maxDistance = longest;
        });
        append(sprites, names, layer.name, std::move(sprite));
        return;
    }
    case LayerMotion::Peck: {
        auto sprite = make<animated_sprite>(area, layer.topLeft, layer.bottomRight, layer.offset);
        sprite->frames = frames(layer, scale);
        sprite->sequence = {0, 1, 2, 1};
        sprite->frameTime = 0.02f;
        sprite->burstTime = 1.3f;
        sprite->idleTime = 8.0f;
        sprite->burstStarted.connect([pecking] { pecking->play(); });
        placers.push_back(still(sprite.get()));
        append(sprites, names, layer.name, std::move(sprite));
        return;
    }
    }
}

// A text sprite over the whole area with the shared font, scaled 0.5 x 2.5 each time it is handed
// out; the font's glyph lists are built right after the sprite is added.
template <class Policy>
void addText(GLDriver& driver, std::vector<BaseSprite*>& sprites, std::vector<std::string>& names,
             std::vector<Placer>& placers, const char* name, const Types::Rect& area, Types::PointF position,
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
    // The text keeps its fractions of the part shown, not of a frame cropped around it.
    placers.push_back([sprite = sprite.get()](const Types::Rect&, const Types::Rect& shown) {
        sprite->rect = destinationRect(at(0, 0), at(1, 1), Types::Point(), &shown);
    });
    append(sprites, names, name, std::move(sprite));
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
    spriteNames.clear();
    placers.clear();
}

BaseSprite* Forest::sprite(const std::string& name) const
{
    for (std::size_t i = 0; i < spriteNames.size() && i < sprites.size(); ++i)
        if (spriteNames[i] == name)
            return sprites[i];
    return nullptr;
}

void Forest::render(GLDriver& driver)
{
    driver.clearColour();
    for (BaseSprite* sprite : sprites)
        sprite->render(driver);
}

void Forest::layOut(const Types::Rect& frame, const Types::Rect& shown)
{
    if (frame == laidFrame && shown == laidShown)
        return;
    laidFrame = frame;
    laidShown = shown;
    for (std::size_t i = 0; i < placers.size() && i < sprites.size(); ++i)
        placers[i](frame, shown);
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
    sprites.reserve(std::size(ForestLayers) + 2);
    setColour(Types::Colour32{255, 255, 255, 255});

    const float W = static_cast<float>(size.width);
    const float H = static_cast<float>(size.height);
    // Every sprite is placed in the form's rectangle; only its size counts.
    const Types::Rect area = bounds();

    Log::instance().write(pictureScale == 2 ? "Scene pictures: the 2x set\n" : "Scene pictures: the 1x set\n");
    // The sprites stand over the form's size; the engine may place them again for each view (layOut).
    laidFrame = Types::Rect{0, 0, size.width, size.height};
    laidShown = laidFrame;
    for (const ForestLayer& layer : ForestLayers)
        addLayer(sprites, spriteNames, placers, layer, area, W, H, pictureScale, woodpeckerSound);

    if (showTime) {
        const Types::Colour clockColour = rgba(1.0f, 1.0f, 1.0f, 0.95f);
        if (twelveHourClock)
            addText<time_12h>(driver, sprites, spriteNames, placers, "clock", area, at(0.63f, 0.93f), clockColour, InitialClockText);
        else
            addText<time_24h>(driver, sprites, spriteNames, placers, "clock", area, at(0.68f, 0.93f), clockColour, InitialClockText);
    }
    if (showFps)
        addText<fpsometer>(driver, sprites, spriteNames, placers, "fps", area, at(0.02f, 0.05f), rgba(1.0f, 1.0f, 1.0f, 1.0f), InitialFpsText);

    ResourceManager::instance().uploadBuffer(driver);
    birdsSound->play();
}

} // namespace System::Windows
