#include "LogCapture.h"
#include "PngWriter.h"
#include "base/Exception.h"
#include "engine/ExtensionLoader.h"
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"
#include "engine/ResourceManager.h"
#include "engine/Texture.h"
#include "scene/BlackScreen.h"
#include "scene/ResourceHelpers.h"
#include "scene/SSLevelFactory.h"
#include "scene/SpriteAdapter.h"
#include "scene/policies/SimpleSprite.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

using namespace System;

// The test binary stands in front of three GL entry points, so a test can see which mipmap path the
// upload took and can play a driver that ignores GL_GENERATE_MIPMAP. Everything else goes to the
// real library unchanged.
namespace {
int mipmapBuilds = 0;
bool generationRefused = false;
} // namespace

extern "C" GLint GLAPIENTRY gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                                              GLenum format, GLenum type, const void* data)
{
    using Real = GLint(GLAPIENTRY*)(GLenum, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "gluBuild2DMipmaps"));
    ++mipmapBuilds;
    return real(target, internalFormat, width, height, format, type, data);
}

extern "C" void GLAPIENTRY glTexParameteri(GLenum target, GLenum name, GLint value)
{
    using Real = void(GLAPIENTRY*)(GLenum, GLenum, GLint);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "glTexParameteri"));
    if (!(generationRefused && name == GL_GENERATE_MIPMAP))
        real(target, name, value);
}

extern "C" void GLAPIENTRY glGetTexParameteriv(GLenum target, GLenum name, GLint* values)
{
    using Real = void(GLAPIENTRY*)(GLenum, GLenum, GLint*);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "glGetTexParameteriv"));
    real(target, name, values);
    if (generationRefused && name == GL_GENERATE_MIPMAP)
        *values = 0;
}

namespace {

const int Width = 320;
const int Height = 240;

ResourceBlock blockOf(const std::vector<unsigned char>& bytes, std::size_t offset = 0, std::size_t size = 0)
{
    ResourceBlock block;
    block.data = bytes.data() + offset;
    block.size = static_cast<std::uint32_t>(size ? size : bytes.size() - offset);
    return block;
}

std::unique_ptr<Texture> solid(int width, int height, const std::string& name = "solid")
{
    auto texture = std::make_unique<Texture>(width, height, Colour32{1, 2, 3, 4});
    texture->setName(name);
    return texture;
}

GLint levelParameter(const Texture& texture, GLint level, GLenum name)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture.getGlName());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

GLint parameter(const Texture& texture, GLenum name)
{
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture.getGlName());
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

std::vector<unsigned char> texels(const Texture& texture, GLenum format, int channels)
{
    std::vector<unsigned char> out(std::size_t(texture.getWidth()) * texture.getHeight() * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture.getGlName());
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return out;
}

// A window pixel, (x, y) from the top-left corner.
std::vector<int> pixelAt(int x, int y)
{
    unsigned char rgb[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, Height - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

void clearTo(float r, float g, float b)
{
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool near(const std::vector<int>& colour, int r, int g, int b, int tolerance)
{
    return std::abs(colour[0] - r) <= tolerance && std::abs(colour[1] - g) <= tolerance &&
           std::abs(colour[2] - b) <= tolerance;
}

class TextureUpload : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        window = new GLWindow("t", Width, Height, 32, false);
        ASSERT_TRUE(window->create());
        window->show();
        driver = new GLDriver(Width, Height, 32);
        driver->start(window->deviceContext());
        driver->setViewport(Width, Height);
        driver->enableLighting();
        v12 = ExtensionLoader::version12();
        v13 = ExtensionLoader::version13();
        v14 = ExtensionLoader::version14();
        sgis = ExtensionLoader::found("GL_SGIS_generate_mipmap");
        borderClamp = ExtensionLoader::found("GL_ARB_texture_border_clamp");
    }

    static void TearDownTestSuite()
    {
        driver->releaseContext();
        window->shutdown();
        delete driver;
        delete window;
    }

    void SetUp() override
    {
        log = std::make_unique<LogCapture>();
        mipmapBuilds = 0;
        generationRefused = false;
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    void TearDown() override
    {
        ExtensionLoader::forceVersion(v12, v13, v14);
        ExtensionLoader::forceFound("GL_SGIS_generate_mipmap", sgis);
        ExtensionLoader::forceFound("GL_ARB_texture_border_clamp", borderClamp);
        generationRefused = false;
        log.reset();
    }

    // Which ways of making mipmaps the driver offers.
    static void offerGeneration(bool version14, bool sgisExtension)
    {
        ExtensionLoader::forceVersion(true, true, version14);
        ExtensionLoader::forceFound("GL_SGIS_generate_mipmap", sgisExtension);
    }

    std::string uploadError(Texture& texture)
    {
        try {
            driver->upload(texture);
        } catch (const Exception& e) {
            return e.message();
        }
        return "no exception";
    }

    static GLWindow* window;
    static GLDriver* driver;
    static bool v12, v13, v14, sgis, borderClamp;
    std::unique_ptr<LogCapture> log;
};

GLWindow* TextureUpload::window = nullptr;
GLDriver* TextureUpload::driver = nullptr;
bool TextureUpload::v12 = false;
bool TextureUpload::v13 = false;
bool TextureUpload::v14 = false;
bool TextureUpload::sgis = false;
bool TextureUpload::borderClamp = false;

} // namespace

TEST_F(TextureUpload, LargeRgbaPictureUploadsAndLeavesTexturingOff)
{
    auto texture = solid(1024, 1024, "big");
    driver->upload(*texture);
    ASSERT_NE(texture->getGlName(), 0u);
    EXPECT_TRUE(glIsTexture(texture->getGlName()));
    EXPECT_TRUE(texture->isUploaded());
    EXPECT_EQ(levelParameter(*texture, 0, GL_TEXTURE_WIDTH), 1024);
    EXPECT_EQ(levelParameter(*texture, 0, GL_TEXTURE_HEIGHT), 1024);
    EXPECT_EQ(log->lines, (std::vector<std::string>{"[GL] Texture uploaded big\n"}));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(TextureUpload, SidesThatAreNotPowersOfTwoOfAtLeastFourAreRefused)
{
    for (auto size : std::vector<std::pair<int, int>>{{2, 2}, {1, 1}, {640, 480}, {4, 2}, {2, 4}, {512, 3}, {0, 0}}) {
        SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
        auto texture = solid(size.first, size.second);
        EXPECT_EQ(uploadError(*texture), "Invalid texture, each side's size should power of 2\n");
        EXPECT_EQ(texture->getGlName(), 0u);
        EXPECT_FALSE(texture->isUploaded());
    }
    EXPECT_TRUE(log->lines.empty());
    for (auto size : std::vector<std::pair<int, int>>{{4, 4}, {8, 4}, {4, 256}}) {
        auto texture = solid(size.first, size.second);
        driver->upload(*texture);
        EXPECT_NE(texture->getGlName(), 0u);
    }
}

// Without pixels (never decoded, or sent in a batch already) nothing happens.
TEST_F(TextureUpload, TextureWithoutPixelsIsLeftAlone)
{
    Texture empty;
    driver->upload(empty);
    auto sent = solid(8, 8);
    sent->dropPixels();
    driver->upload(*sent);
    for (Texture* texture : {&empty, sent.get()}) {
        EXPECT_EQ(texture->getGlName(), 0u);
        EXPECT_FALSE(texture->isUploaded());
    }
    EXPECT_TRUE(log->lines.empty());
}

TEST_F(TextureUpload, StoreSmallerThanThePictureIsRefused)
{
    auto texture = solid(8, 8);
    ByteStore short_(8 * 8 * 4 - 1);
    texture->borrowPixels(&short_);
    EXPECT_EQ(uploadError(*texture), "Invalid texture, pixel store smaller than the picture\n");
    EXPECT_EQ(texture->getGlName(), 0u);
}

TEST_F(TextureUpload, OpenGl14GeneratesMipmapsInTheDriver)
{
    offerGeneration(true, false);
    auto texture = solid(64, 64);
    texture->setFilter(10);
    driver->upload(*texture);
    EXPECT_EQ(texture->getUploadMode(), 3);
    EXPECT_EQ(parameter(*texture, GL_GENERATE_MIPMAP), 1);
    EXPECT_EQ(levelParameter(*texture, 1, GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(levelParameter(*texture, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    EXPECT_EQ(mipmapBuilds, 0);

    offerGeneration(false, true);
    auto viaExtension = solid(64, 64);
    driver->upload(*viaExtension);
    EXPECT_EQ(viaExtension->getUploadMode(), 3);
    EXPECT_EQ(mipmapBuilds, 0);
}

// With driver-side generation a filter that reads the base level only gets no smaller levels built (the
// texture ends at level 0); the upload still counts as driver-generated. Mipmap filters get every level.
TEST_F(TextureUpload, GenerationBuildsNoLevelsABaseLevelFilterNeverReads)
{
    offerGeneration(true, true);
    for (int filter : {0, 1, 2, 3}) {
        SCOPED_TRACE(filter);
        auto texture = solid(64, 64);
        texture->setFilter(static_cast<std::uint8_t>(filter));
        driver->upload(*texture);
        EXPECT_EQ(texture->getUploadMode(), 3);
        EXPECT_EQ(parameter(*texture, GL_GENERATE_MIPMAP), 1);
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_MAX_LEVEL), 0);
        EXPECT_EQ(levelParameter(*texture, 0, GL_TEXTURE_WIDTH), 64);
        EXPECT_EQ(levelParameter(*texture, 1, GL_TEXTURE_WIDTH), 0);
    }
    for (int filter : {4, 7, 10}) {
        SCOPED_TRACE(filter);
        auto texture = solid(64, 64);
        texture->setFilter(static_cast<std::uint8_t>(filter));
        driver->upload(*texture);
        EXPECT_EQ(texture->getUploadMode(), 3);
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_MAX_LEVEL), 1000);
        EXPECT_EQ(levelParameter(*texture, 6, GL_TEXTURE_WIDTH), 1);
    }
    EXPECT_EQ(mipmapBuilds, 0);
}

// Without driver-side generation GLU builds the mipmaps, whatever the filter.
TEST_F(TextureUpload, WithoutGenerationGluBuildsTheMipmaps)
{
    offerGeneration(false, false);
    for (int filter : {10, 3}) {
        SCOPED_TRACE(filter);
        mipmapBuilds = 0;
        auto texture = solid(64, 64);
        texture->setFilter(static_cast<std::uint8_t>(filter));
        driver->upload(*texture);
        EXPECT_EQ(mipmapBuilds, 1);
        EXPECT_EQ(texture->getUploadMode(), 2);
        EXPECT_EQ(parameter(*texture, GL_GENERATE_MIPMAP), 0);
        EXPECT_EQ(levelParameter(*texture, 1, GL_TEXTURE_WIDTH), 32);
    }
}

// A driver that offers generation but reads GL_GENERATE_MIPMAP back as 0: mipmap filters get GLU's
// mipmaps, base-level filters only level 0.
TEST_F(TextureUpload, RefusedGenerationFallsBackByFilter)
{
    offerGeneration(true, true);
    generationRefused = true;
    auto mipmapped = solid(64, 64);
    mipmapped->setFilter(4);
    driver->upload(*mipmapped);
    EXPECT_EQ(mipmapBuilds, 1);
    EXPECT_EQ(mipmapped->getUploadMode(), 2);

    auto base = solid(64, 64);
    base->setFilter(3);
    driver->upload(*base);
    EXPECT_EQ(mipmapBuilds, 1);
    EXPECT_EQ(base->getUploadMode(), 2);
    EXPECT_EQ(levelParameter(*base, 0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(levelParameter(*base, 1, GL_TEXTURE_WIDTH), 0);
}

TEST_F(TextureUpload, UploadModeZeroSendsNoImage)
{
    auto texture = solid(64, 64, "empty");
    texture->setUploadMode(0);
    texture->setFilter(3);
    texture->setWrap(0);
    driver->upload(*texture);
    ASSERT_NE(texture->getGlName(), 0u);
    EXPECT_EQ(levelParameter(*texture, 0, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(parameter(*texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(parameter(*texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(texture->getUploadMode(), 0);
    EXPECT_EQ(mipmapBuilds, 0);
    EXPECT_TRUE(texture->isUploaded());
    EXPECT_EQ(log->lines, (std::vector<std::string>{"[GL] Texture uploaded empty\n"}));
}

TEST_F(TextureUpload, WrapClampsToTheEdgeOnlyWithBorderClamp)
{
    auto repeat = solid(8, 8);
    repeat->setWrap(0);
    driver->upload(*repeat);
    EXPECT_EQ(parameter(*repeat, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(parameter(*repeat, GL_TEXTURE_WRAP_T), GL_REPEAT);

    ExtensionLoader::forceFound("GL_ARB_texture_border_clamp", true);
    auto edge = solid(8, 8);
    driver->upload(*edge);
    EXPECT_EQ(parameter(*edge, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(*edge, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);

    ExtensionLoader::forceFound("GL_ARB_texture_border_clamp", false);
    auto clamp = solid(8, 8);
    driver->upload(*clamp);
    EXPECT_EQ(parameter(*clamp, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(parameter(*clamp, GL_TEXTURE_WRAP_T), GL_CLAMP);
}

// The eleven rows of the filter table; values past it are read as the last row.
TEST_F(TextureUpload, FiltersFollowTheTable)
{
    const GLint table[11][2] = {
        {GL_NEAREST, GL_NEAREST}, {GL_LINEAR, GL_NEAREST}, {GL_NEAREST, GL_LINEAR}, {GL_LINEAR, GL_LINEAR},
        {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST}, {GL_NEAREST, GL_LINEAR_MIPMAP_NEAREST},
        {GL_NEAREST, GL_NEAREST_MIPMAP_LINEAR}, {GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST},
        {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST}, {GL_LINEAR, GL_NEAREST_MIPMAP_LINEAR},
        {GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
    for (int filter : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 255}) {
        SCOPED_TRACE(filter);
        auto texture = solid(8, 8);
        texture->setFilter(static_cast<std::uint8_t>(filter));
        driver->upload(*texture);
        const GLint* row = table[filter > 10 ? 10 : filter];
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_MAG_FILTER), row[0]);
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_MIN_FILTER), row[1]);
    }
}

// Each layout reaches GL with its own format; bgr swaps red and blue.
TEST_F(TextureUpload, LayoutsAndByteOrderReachGl)
{
    offerGeneration(true, false);
    struct Case {
        int colourType;
        int channels;
        GLenum format;
    };
    for (Case c : {Case{0, 1, GL_LUMINANCE}, Case{4, 2, GL_LUMINANCE_ALPHA}, Case{2, 3, GL_RGB}, Case{6, 4, GL_RGBA}}) {
        SCOPED_TRACE(c.colourType);
        auto file = TestSupport::encodePng(TestSupport::countingPicture(8, 4, c.colourType, c.channels));
        Texture texture(blockOf(file));
        driver->upload(texture);
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_INTERNAL_FORMAT), GLint(c.format));
        EXPECT_EQ(texels(texture, c.format, c.channels), *texture.getPixels());
    }
    auto swapped = solid(4, 4);
    swapped->setBgr(true);
    driver->upload(*swapped);
    std::vector<unsigned char> stored = texels(*swapped, GL_RGBA, 4);
    EXPECT_EQ(std::vector<unsigned char>(stored.begin(), stored.begin() + 4), (std::vector<unsigned char>{3, 2, 1, 4}));
}

TEST_F(TextureUpload, CheckErrorReportsAPendingErrorNamingTheTexture)
{
    auto texture = solid(4, 4, "named");
    EXPECT_EQ(driver->checkError(*texture), 0u);
    EXPECT_TRUE(log->lines.empty());
    glEnable(0xFFFF);  // not a capability: GL_INVALID_ENUM
    EXPECT_EQ(driver->checkError(*texture), unsigned(GL_INVALID_ENUM));
    std::string text = reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM));
    EXPECT_EQ(log->lines, (std::vector<std::string>{"[GL] Texture problem: " + text + " Texture name: named\n",
                                                    "[GL] named\n"}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Three pictures laid out in one block, registered out of address order, upload in address order.
TEST_F(TextureUpload, BatchUploadsInAddressOrderThroughTheStagingStore)
{
    ResourceManager manager;
    std::vector<unsigned char> small = TestSupport::encodePng(TestSupport::countingPicture(8, 8, 6, 4));
    std::vector<unsigned char> grey = TestSupport::encodePng(TestSupport::countingPicture(16, 4, 0, 1));
    std::vector<unsigned char> block(small);
    block.insert(block.end(), grey.begin(), grey.end());
    block.insert(block.end(), small.begin(), small.end());
    Texture* third = manager.addToBuffer("third", blockOf(block, small.size() + grey.size()));
    Texture* first = manager.addToBuffer("first", blockOf(block, 0, small.size()));
    Texture* second = manager.addToBuffer("second", blockOf(block, small.size(), grey.size()));
    log->lines.clear();

    manager.uploadBuffer(*driver);
    EXPECT_EQ(log->lines, (std::vector<std::string>{"[GL] Texture uploaded first\n", "[GL] Texture uploaded second\n",
                                                    "[GL] Texture uploaded third\n", "Buffer uploaded\n"}));
    EXPECT_EQ(manager.getStaging().size(), 33554432u);
    for (Texture* texture : {first, second, third}) {
        SCOPED_TRACE(texture->getName());
        EXPECT_EQ(manager.getTextures().at(texture->getName()), texture);
        EXPECT_NE(texture->getGlName(), 0u);
        EXPECT_TRUE(glIsTexture(texture->getGlName()));
        EXPECT_TRUE(texture->isLoaded());
        EXPECT_TRUE(texture->isUploaded());
        EXPECT_EQ(texture->getPixels(), nullptr);
    }
    EXPECT_EQ(second->getLayout(), Luminance);
    EXPECT_EQ(levelParameter(*second, 0, GL_TEXTURE_WIDTH), 16);

    // A second batch sends only what was registered since; the store is neither moved nor shrunk.
    const unsigned char* store = manager.getStaging().data();
    const GLuint firstName = first->getGlName();
    log->lines.clear();
    manager.uploadBuffer(*driver);
    EXPECT_EQ(log->lines, (std::vector<std::string>{"Buffer uploaded\n"}));
    EXPECT_EQ(first->getGlName(), firstName);
    EXPECT_EQ(manager.getStaging().data(), store);
}

TEST_F(TextureUpload, BatchStopsAtAPictureThatIsNotAPowerOfTwo)
{
    ResourceManager manager;
    std::vector<unsigned char> good = TestSupport::encodePng(TestSupport::countingPicture(8, 8, 6, 4));
    std::vector<unsigned char> odd = TestSupport::encodePng(TestSupport::countingPicture(8, 6, 6, 4));
    std::vector<unsigned char> block(good);
    block.insert(block.end(), odd.begin(), odd.end());
    block.insert(block.end(), good.begin(), good.end());
    Texture* before = manager.addToBuffer("before", blockOf(block, 0, good.size()));
    Texture* bad = manager.addToBuffer("odd", blockOf(block, good.size(), odd.size()));
    Texture* after = manager.addToBuffer("after", blockOf(block, good.size() + odd.size()));
    log->lines.clear();

    EXPECT_THROW(manager.uploadBuffer(*driver), Exception);
    EXPECT_EQ(log->lines, (std::vector<std::string>{"[GL] Texture uploaded before\n"}));
    EXPECT_NE(before->getGlName(), 0u);
    EXPECT_EQ(bad->getGlName(), 0u);
    EXPECT_EQ(bad->getPixels(), nullptr);
    EXPECT_EQ(after->getGlName(), 0u);
    EXPECT_EQ(manager.getTextures().count("after"), 0u);
    delete after;  // never reached the cache
}

TEST_F(TextureUpload, BlackScreenUploadsBlackAndDrawsNothing)
{
    Windows::BlackScreen screen;
    screen.prepare(*driver);
    ASSERT_NE(screen.getTexture(), nullptr);
    EXPECT_EQ(screen.getTexture()->getName(), "black");
    EXPECT_EQ(screen.getTexture()->getWidth(), 1024);
    EXPECT_NE(screen.getTexture()->getGlName(), 0u);
    EXPECT_EQ(log->count("[GL] Texture uploaded black\n"), 1u);
    EXPECT_EQ((*screen.getTexture()->getPixels())[0], 0);
    EXPECT_EQ((*screen.getTexture()->getPixels())[3], 255);

    clearTo(1, 0, 0);
    screen.update(1.0);
    screen.render(*driver);
    EXPECT_EQ(pixelAt(Width / 2, Height / 2), (std::vector<int>{255, 0, 0}));
}

// The loading picture covers the whole window: each corner of the window shows the colour of the
// picture's own corner (averaged over a small block, as the minified picture is).
TEST_F(TextureUpload, LoadingScreenDrawsPicture125OverTheWindow)
{
    SSLevelFactory factory;
    Rect area;
    area.width = Width;
    area.height = Height;
    std::unique_ptr<Object> screen(factory.createLoadingScreen(area));
    auto& adapter = dynamic_cast<SpriteAdapter&>(*screen);
    std::unique_ptr<BaseSprite> sprite(adapter.getSprite());
    screen->prepare(*driver);
    Texture* texture = dynamic_cast<Sprite<simple_sprite>&>(*sprite).texture;
    EXPECT_NE(texture->getGlName(), 0u);
    EXPECT_EQ(log->count("[GL] Texture uploaded 125\n"), 1u);

    Texture picture(loadResourceBlock(125, "IMAGE"));
    const ByteStore& pixels = *picture.getPixels();
    const int side = picture.getWidth(), bytes = picture.bytesPerPixel(), block = side / 32;
    // Rows are stored bottom row first.
    auto cornerAverage = [&](bool right, bool top) {
        std::vector<int> sum(3, 0);
        for (int y = 0; y < block; ++y)
            for (int x = 0; x < block; ++x) {
                int px = right ? side - 1 - x : x;
                int py = top ? side - 1 - y : y;
                for (int c = 0; c < 3; ++c)
                    sum[c] += pixels[(py * side + px) * bytes + c];
            }
        for (int& value : sum)
            value /= block * block;
        return sum;
    };

    clearTo(1, 0, 0);
    screen->render(*driver);
    struct Corner {
        int x, y;
        bool right, top;
    };
    for (Corner corner : {Corner{2, 2, false, true}, Corner{Width - 3, 2, true, true},
                          Corner{2, Height - 3, false, false}, Corner{Width - 3, Height - 3, true, false}}) {
        std::vector<int> expected = cornerAverage(corner.right, corner.top);
        std::vector<int> colour = pixelAt(corner.x, corner.y);
        EXPECT_TRUE(near(colour, expected[0], expected[1], expected[2], 24))
            << corner.x << "," << corner.y << ": " << colour[0] << " " << colour[1] << " " << colour[2]
            << " expected about " << expected[0] << " " << expected[1] << " " << expected[2];
    }
}

// Pictures show upright: the picture's top row is drawn at the top of the window.
TEST_F(TextureUpload, DecodedPicturesShowUpright)
{
    TestSupport::PngPicture picture;
    picture.width = 4;
    picture.height = 4;
    picture.colourType = 2;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.rows.insert(picture.rows.end(), {static_cast<unsigned char>(y == 0 ? 255 : 0), 0,
                                                     static_cast<unsigned char>(y == 0 ? 0 : 255)});
    auto file = TestSupport::encodePng(picture);
    Texture texture(blockOf(file));
    driver->upload(texture);
    Rect area;
    area.width = Width;
    area.height = Height;
    PointF topLeft, bottomRight;
    bottomRight.x = bottomRight.y = 1.0f;
    Sprite<simple_sprite> sprite(topLeft, bottomRight, Point(), &area);
    sprite.texture = &texture;
    clearTo(0, 0, 0);
    sprite.render(*driver);
    EXPECT_EQ(pixelAt(Width / 2, 5), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixelAt(Width / 2, Height - 5), (std::vector<int>{0, 0, 255}));
}
