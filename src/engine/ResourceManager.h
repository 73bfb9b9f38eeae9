#pragma once
#include "engine/Texture.h"
#include "base/ResourceBlock.h"

#include <map>
#include <string>

namespace System {
class Font;
class GLDriver;

// The process-wide cache of textures and fonts by name, and the batch upload that decodes every
// registered picture through one shared staging store.
class ResourceManager {
public:
    static ResourceManager& instance();
    ~ResourceManager();

    Texture* addToBuffer(const std::string& name, ResourceBlock resource);
    void uploadBuffer(GLDriver& driver);
    Texture* loadTexture(const std::string& name, ResourceBlock resource);
    Texture* createTexture(const std::string& name, int width, int height, Types::Colour32 colour);
    Texture* addTexture(const std::string& name, Texture* texture);
    Font* font(const std::string& name, ResourceBlock resource);

    const ByteStore& getStaging() const { return staging; }
    const std::map<std::string, Texture*>& getTextures() const { return textures; }

    // A fresh, empty manager for tests; the process keeps using instance().
    ResourceManager() = default;

private:
    struct Buffered {
        Texture* texture;
        ResourceBlock resource;
    };

    ByteStore staging;
    std::map<const unsigned char*, Buffered> resourceBuffer;
    std::map<std::string, Font*> fonts;
    std::map<std::string, Texture*> textures;
};

} // namespace System
