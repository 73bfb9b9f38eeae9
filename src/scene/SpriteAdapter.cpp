#include "scene/SpriteAdapter.h"

#include "engine/GLDriver.h"

namespace System {

void SpriteAdapter::update(double seconds)
{
    if (sprite)
        sprite->update(seconds);
}

void SpriteAdapter::render(GLDriver& driver)
{
    if (sprite)
        sprite->render(driver);
}

void SpriteAdapter::prepare(GLDriver& driver)
{
    if (texture && *texture)
        driver.upload(**texture);
}

} // namespace System
