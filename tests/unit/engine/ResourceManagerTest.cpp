#include "LogCapture.h"
#include "base/Exception.h"
#include "engine/GLDriver.h"
#include "engine/ResourceManager.h"
#include "engine/services/Font.h"
#include "scene/ResourceHelpers.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

Colour32 opaque(std::uint8_t grey)
{
    Colour32 colour;
    colour.r = colour.g = colour.b = grey;
    colour.a = 255;
    return colour;
}

const std::vector<unsigned char> NotAnImage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};

ResourceBlock notAnImage()
{
    ResourceBlock block;
    block.data = NotAnImage.data();
    block.size = static_cast<std::uint32_t>(NotAnImage.size());
    return block;
}

} // namespace

// The second look-up of a name is served from the cache, whatever resource it names.
TEST(ResourceManager, LoadTextureOfOneNameCreatesOneTexture)
{
    ResourceManager manager;
    LogCapture log;
    Texture* first = manager.loadTexture("125", loadResourceBlock(125, "IMAGE"));
    Texture* second = manager.loadTexture("125", loadResourceBlock(139, "IMAGE"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->getName(), "125");
    EXPECT_EQ(first->getWidth(), 512);
    EXPECT_TRUE(first->isLoaded());
    EXPECT_EQ(manager.getTextures().size(), 1u);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture added 125\n", "Texture created 125\n",
                                                   "Texture found in cache 125\n"}));
}

TEST(ResourceManager, UndecodableResourceThrowsAndCachesNothing)
{
    ResourceManager manager;
    LogCapture log;
    try {
        manager.loadTexture("bad", notAnImage());
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "IL error, could not read image");
    }
    EXPECT_TRUE(manager.getTextures().empty());
    EXPECT_TRUE(log.lines.empty());
}

TEST(ResourceManager, CreateTextureMakesASolidTextureOnce)
{
    ResourceManager manager;
    LogCapture log;
    Texture* black = manager.createTexture("black", 8, 4, opaque(0));
    Texture* again = manager.createTexture("black", 16, 16, opaque(200));
    EXPECT_EQ(black, again);
    EXPECT_EQ(black->getName(), "black");
    EXPECT_EQ(black->getWidth(), 8);
    EXPECT_EQ(black->getLayout(), RGBA);
    EXPECT_EQ((*black->getPixels())[3], 255);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture added black\n", "Texture created black\n",
                                                   "Texture found in cache black\n"}));
}

// A texture entered under a taken name replaces the entry; the manager frees each texture once,
// even one entered under two names.
TEST(ResourceManager, AddTextureReplacesAndFreesEachTextureOnce)
{
    auto manager = std::make_unique<ResourceManager>();
    LogCapture log;
    auto* shared = new Texture();
    auto* replaced = new Texture();
    EXPECT_EQ(manager->addTexture("a", replaced), replaced);
    manager->addTexture("a", shared);
    manager->addTexture("b", shared);
    EXPECT_EQ(manager->getTextures().at("a"), shared);
    EXPECT_EQ(manager->getTextures().at("b"), shared);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture added a\n", "Texture added a\n", "Texture added b\n"}));
    manager.reset();
    delete replaced;  // replaced, not freed by the manager
}

TEST(ResourceManager, AddToBufferRegistersAnEmptyNamedTexture)
{
    ResourceManager manager;
    LogCapture log;
    Texture* texture = manager.addToBuffer("deer", loadResourceBlock(129, "IMAGE"));
    EXPECT_EQ(texture->getName(), "deer");
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_EQ(texture->getPixels(), nullptr);
    EXPECT_TRUE(manager.getTextures().empty());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture added to resourceBuffer deer\n"}));
    delete texture;  // never uploaded, so the manager does not own it
}

// A decode failure in a batch leaves the batch with the error; the texture is cached, holds no
// pointer to the shared store, and the store has its 32 MiB.
TEST(ResourceManager, FailedBatchDecodeKeepsNoStagingPointer)
{
    ResourceManager manager;
    GLDriver driver(64, 64, 32);  // no GL call happens before the failing decode
    Texture* texture = manager.addToBuffer("bad", notAnImage());
    EXPECT_THROW(manager.uploadBuffer(driver), Exception);
    EXPECT_EQ(manager.getStaging().size(), 33554432u);
    EXPECT_EQ(manager.getTextures().at("bad"), texture);
    EXPECT_EQ(texture->getPixels(), nullptr);
    EXPECT_FALSE(texture->isLoaded());
}

TEST(ResourceManager, FontsAreCachedByName)
{
    ResourceManager manager;
    Font* font = manager.font("clock", loadResourceBlock(154, "IMAGE"));
    EXPECT_EQ(manager.font("clock", loadResourceBlock(154, "IMAGE")), font);
    EXPECT_EQ(font->getName(), "clock");
    EXPECT_NE(manager.font("other", loadResourceBlock(154, "IMAGE")), font);
}
