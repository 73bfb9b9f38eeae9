#include "engine/ResourceManager.h"

#include "engine/GLDriver.h"
#include "engine/Log.h"
#include "engine/Trace.h"
#include "engine/services/Font.h"

#include <memory>
#include <set>

namespace System {

namespace {

const std::size_t StagingSize = 0x2000000;  // 32 MiB: every picture of a scene decodes into it

void log(const std::string& text)
{
    Log::instance().write(text);
}

// Puts a batch texture back to "no pixels" however its decode or upload ends, so it never keeps
// pointing at the shared store.
struct BorrowedStore {
    Texture& texture;
    BorrowedStore(Texture& texture, ByteStore& store) : texture(texture) { texture.borrowPixels(&store); }
    ~BorrowedStore() { texture.dropPixels(); }
};

} // namespace

ResourceManager& ResourceManager::instance()
{
    static ResourceManager manager;
    return manager;
}

ResourceManager::~ResourceManager()
{
    for (auto& entry : fonts)
        delete entry.second;
    // One texture may sit under several names (addTexture); it is freed once.
    std::set<Texture*> owned;
    for (auto& entry : textures)
        owned.insert(entry.second);
    for (Texture* texture : owned)
        delete texture;
}

Texture* ResourceManager::addToBuffer(const std::string& name, ResourceBlock resource)
{
    auto texture = std::make_unique<Texture>();
    texture->setName(name);
    // An earlier texture under this address leaves the map but stays alive: a sprite may point at it.
    resourceBuffer[resource.data] = Buffered{texture.get(), resource};
    log("Texture added to resourceBuffer " + name + "\n");
    return texture.release();
}

void ResourceManager::uploadBuffer(GLDriver& driver)
{
    if (staging.size() < StagingSize)
        staging.resize(StagingSize);
    trace("batch upload starts");
    // Entries leave the buffer once uploaded, so a later batch sends only what is new; a failure
    // leaves the failed entry and those after it registered.
    for (auto entry = resourceBuffer.begin(); entry != resourceBuffer.end();) {
        Texture& texture = *entry->second.texture;
        textures[texture.getName()] = &texture;
        {
            BorrowedStore borrowed(texture, staging);
            texture.decodeFromMemory(entry->second.resource);
            trace("decoded " + texture.getName());
            driver.upload(texture);
            trace("uploaded " + texture.getName());
        }
        entry = resourceBuffer.erase(entry);
    }
    log("Buffer uploaded\n");
}

Texture* ResourceManager::loadTexture(const std::string& name, ResourceBlock resource)
{
    auto found = textures.find(name);
    if (found != textures.end()) {
        log("Texture found in cache " + name + "\n");
        return found->second;
    }
    auto texture = std::make_unique<Texture>(resource);
    texture->setName(name);
    addTexture(name, texture.get());
    log("Texture created " + name + "\n");
    return texture.release();
}

Texture* ResourceManager::createTexture(const std::string& name, int width, int height, Types::Colour32 colour)
{
    auto found = textures.find(name);
    if (found != textures.end()) {
        log("Texture found in cache " + name + "\n");
        return found->second;
    }
    auto texture = std::make_unique<Texture>(width, height, colour);
    texture->setName(name);
    addTexture(name, texture.get());
    log("Texture created " + name + "\n");
    return texture.release();
}

Texture* ResourceManager::addTexture(const std::string& name, Texture* texture)
{
    textures[name] = texture;
    log("Texture added " + name + "\n");
    return texture;
}

Font* ResourceManager::font(const std::string& name, ResourceBlock resource)
{
    auto found = fonts.find(name);
    if (found != fonts.end())
        return found->second;
    auto created = std::make_unique<Font>(name, resource);
    fonts[name] = created.get();
    return created.release();
}

} // namespace System
