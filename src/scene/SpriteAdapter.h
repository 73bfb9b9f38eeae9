#pragma once
#include "engine/ui/Object.h"
#include "scene/Sprite.h"

namespace System {

// Lets one sprite stand where the object tree expects an object. The sprite is not owned.
class SpriteAdapter : public Object {
public:
    template <class Policy>
    explicit SpriteAdapter(Sprite<Policy>* sprite)
        : Object("adapter"), sprite(sprite), texture(sprite ? &sprite->texture : nullptr)
    {
    }

    void update(double seconds) override;
    void render(GLDriver& driver) override;
    // Uploads the sprite's texture.
    void prepare(GLDriver& driver) override;

    BaseSprite* getSprite() const { return sprite; }

private:
    BaseSprite* sprite;
    // The sprite's own texture member, so a texture assigned after wrapping is the one uploaded.
    Texture* const* texture;
};

} // namespace System
