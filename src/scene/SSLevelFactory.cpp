#include "scene/SSLevelFactory.h"

#include "engine/ResourceManager.h"
#include "scene/BlackScreen.h"
#include "scene/ResourceHelpers.h"
#include "scene/SpriteAdapter.h"
#include "scene/policies/SimpleSprite.h"

#include <algorithm>
#include <memory>
#include <string>

namespace System {

namespace {

const unsigned LoadingPictureId = 125;
const std::uint8_t LoadingPictureFilter = 10;  // linear, mipmapped
const int LargestSize1x = 2048;                 // twice the 1x set's full-screen pictures

} // namespace

int SSLevelFactory::pictureScale(const Types::Rect& area, const std::vector<Types::Rect>& views)
{
    int width = views.empty() ? area.width : 0;
    int height = views.empty() ? area.height : 0;
    for (const Types::Rect& view : views) {
        width = std::max(width, view.width);
        height = std::max(height, view.height);
    }
    return width > LargestSize1x || height > LargestSize1x ? 2 : 1;
}

Object* SSLevelFactory::createLevel()
{
    return nullptr;
}

Object* SSLevelFactory::createBlankLevel()
{
    return new Windows::BlackScreen();
}

Object* SSLevelFactory::createLoadingScreen(Types::Rect area)
{
    const std::string name = std::to_string(LoadingPictureId);
    Types::PointF topLeft;
    Types::PointF bottomRight;
    bottomRight.x = 1.0f;
    bottomRight.y = 1.0f;
    auto sprite = std::make_unique<Sprite<simple_sprite>>(topLeft, bottomRight, Types::Point(), &area);
    sprite->texture = ResourceManager::instance().loadTexture(name, loadResourceBlock(LoadingPictureId, "IMAGE"));
    sprite->texture->setFilter(LoadingPictureFilter);
    // The adapter does not own the sprite, and nobody frees it: it lives as long as the run.
    return new SpriteAdapter(sprite.release());
}

} // namespace System
