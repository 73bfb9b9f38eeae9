#include "LogCapture.h"
#include "PngWriter.h"
#include "base/Exception.h"
#include "engine/Texture.h"
#include "scene/ResourceHelpers.h"

#include <gtest/gtest.h>

using namespace System;
using TestSupport::PngPicture;

namespace {

ResourceBlock blockOf(const std::vector<unsigned char>& bytes)
{
    ResourceBlock block;
    block.data = bytes.data();
    block.size = static_cast<std::uint32_t>(bytes.size());
    return block;
}

std::string readError(const std::vector<unsigned char>& bytes, Texture& texture)
{
    try {
        texture.decodeFromMemory(blockOf(bytes));
    } catch (const Exception& e) {
        return e.message();
    }
    return "no exception";
}

} // namespace

TEST(Texture, StartsNamedTextureWithoutPixels)
{
    Texture texture;
    EXPECT_EQ(texture.getName(), "texture");
    EXPECT_EQ(texture.getFilter(), 0);
    EXPECT_EQ(texture.getWrap(), 1);
    EXPECT_EQ(texture.getUploadMode(), 2);
    EXPECT_EQ(texture.getGlName(), 0u);
    EXPECT_FALSE(texture.getBgr());
    EXPECT_FALSE(texture.isLoaded());
    EXPECT_FALSE(texture.isUploaded());
    EXPECT_EQ(texture.getPixels(), nullptr);
}

TEST(Texture, SetNameMakesANewSharedText)
{
    Texture texture;
    texture.setName("first");
    auto earlier = texture.getSharedName();
    texture.setName("second");
    EXPECT_EQ(*earlier, "first");
    EXPECT_EQ(texture.getName(), "second");
    EXPECT_NE(texture.getSharedName(), earlier);
}

TEST(Texture, SolidColourRepeatsTheFourBytes)
{
    Texture texture(3, 2, Colour32{1, 2, 3, 4});
    EXPECT_EQ(texture.getLayout(), RGBA);
    EXPECT_EQ(texture.bytesPerPixel(), 4);
    EXPECT_EQ(texture.getWidth(), 3);
    EXPECT_EQ(texture.getHeight(), 2);
    EXPECT_TRUE(texture.isLoaded());
    EXPECT_FALSE(texture.isUploaded());
    ASSERT_NE(texture.getPixels(), nullptr);
    const ByteStore& pixels = *texture.getPixels();
    ASSERT_EQ(pixels.size(), 24u);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        EXPECT_EQ(pixels[i], 1);
        EXPECT_EQ(pixels[i + 1], 2);
        EXPECT_EQ(pixels[i + 2], 3);
        EXPECT_EQ(pixels[i + 3], 4);
    }
}

TEST(Texture, SolidColourOfNegativeSizeIsRefused)
{
    EXPECT_THROW(Texture(-1, 4, Colour32{0, 0, 0, 255}), Exception);
    EXPECT_THROW(Texture(4, -1, Colour32{0, 0, 0, 255}), Exception);
    Texture empty(0, 0, Colour32{0, 0, 0, 255});
    EXPECT_TRUE(empty.getPixels()->empty());
}

TEST(Texture, LayoutFollowsBitsPerPixel)
{
    EXPECT_EQ(Texture::layoutFor(8, RGBA), Luminance);
    EXPECT_EQ(Texture::layoutFor(16, RGBA), TwoBytes);
    EXPECT_EQ(Texture::layoutFor(24, RGBA), RGB);
    EXPECT_EQ(Texture::layoutFor(32, RGB), RGBA);
    // Any other depth leaves the layout as it was.
    EXPECT_EQ(Texture::layoutFor(48, RGB), RGB);
    EXPECT_EQ(Texture::layoutFor(1, Luminance), Luminance);
    EXPECT_EQ(Texture::bytesPerPixel(TwoBytes), 2);
    EXPECT_EQ(Texture::bytesPerPixel(RGB), 3);
    EXPECT_EQ(Texture::bytesPerPixel(RGBA), 4);
    EXPECT_EQ(Texture::bytesPerPixel(Luminance), 1);
}

// Every PNG colour type decodes to the layout its depth names, rows bottom row first.
TEST(TextureDecode, ColourTypesGiveTheirLayoutsBottomRowFirst)
{
    struct Case {
        int colourType;
        int channels;
        PixelLayout layout;
    };
    for (Case c : {Case{0, 1, Luminance}, Case{4, 2, TwoBytes}, Case{2, 3, RGB}, Case{6, 4, RGBA}}) {
        SCOPED_TRACE(c.colourType);
        PngPicture picture = TestSupport::countingPicture(8, 4, c.colourType, c.channels);
        std::vector<unsigned char> file = TestSupport::encodePng(picture);
        Texture texture(blockOf(file));
        EXPECT_EQ(texture.getLayout(), c.layout);
        EXPECT_EQ(texture.bytesPerPixel(), c.channels);
        EXPECT_EQ(texture.getWidth(), 8);
        EXPECT_EQ(texture.getHeight(), 4);
        EXPECT_TRUE(texture.isLoaded());
        EXPECT_FALSE(texture.isUploaded());
        EXPECT_EQ(*texture.getPixels(), TestSupport::bottomRowFirst(picture.rows, std::size_t(8 * c.channels)));
    }
}

TEST(TextureDecode, EightBitGreyIsLuminanceOneBytePerPixel)
{
    PngPicture picture = TestSupport::countingPicture(4, 4, 0, 1);
    std::vector<unsigned char> file = TestSupport::encodePng(picture);
    Texture texture(blockOf(file));
    EXPECT_EQ(texture.getLayout(), Luminance);
    EXPECT_EQ(texture.getPixels()->size(), 16u);
}

// Sixteen-bit channels keep their high bytes, so the depth still names the layout.
TEST(TextureDecode, SixteenBitGreyBecomesLuminance)
{
    PngPicture picture;
    picture.width = 4;
    picture.height = 4;
    picture.colourType = 0;
    picture.bitDepth = 16;
    std::vector<unsigned char> expected;
    for (int i = 0; i < 16; ++i) {
        picture.rows.push_back(static_cast<unsigned char>(i * 16));
        picture.rows.push_back(0);
        expected.push_back(static_cast<unsigned char>(i * 16));
    }
    std::vector<unsigned char> file = TestSupport::encodePng(picture);
    Texture texture(blockOf(file));
    EXPECT_EQ(texture.getLayout(), Luminance);
    EXPECT_EQ(*texture.getPixels(), TestSupport::bottomRowFirst(expected, 4));
}

// Palette pictures become their colours: RGB, or RGBA when the palette carries transparency.
TEST(TextureDecode, PalettePicturesBecomeTheirColours)
{
    PngPicture picture;
    picture.width = 4;
    picture.height = 4;
    picture.colourType = 3;
    picture.palette = {10, 20, 30, 40, 50, 60};
    for (int i = 0; i < 16; ++i)
        picture.rows.push_back(i < 4 ? 1 : 0);  // top row uses the second entry
    std::vector<unsigned char> file = TestSupport::encodePng(picture);
    Texture opaque(blockOf(file));
    EXPECT_EQ(opaque.getLayout(), RGB);
    const ByteStore& rgb = *opaque.getPixels();
    ASSERT_EQ(rgb.size(), 48u);
    EXPECT_EQ(std::vector<unsigned char>(rgb.begin(), rgb.begin() + 3), (std::vector<unsigned char>{10, 20, 30}));
    EXPECT_EQ(std::vector<unsigned char>(rgb.end() - 3, rgb.end()), (std::vector<unsigned char>{40, 50, 60}));

    picture.transparency = {128, 255};
    file = TestSupport::encodePng(picture);
    Texture seeThrough(blockOf(file));
    EXPECT_EQ(seeThrough.getLayout(), RGBA);
    const ByteStore& pixels = *seeThrough.getPixels();
    ASSERT_EQ(pixels.size(), 64u);
    EXPECT_EQ(std::vector<unsigned char>(pixels.begin(), pixels.begin() + 4),
              (std::vector<unsigned char>{10, 20, 30, 128}));
    EXPECT_EQ(std::vector<unsigned char>(pixels.end() - 4, pixels.end()),
              (std::vector<unsigned char>{40, 50, 60, 255}));
}

TEST(TextureDecode, JpegResourceIsRgb)
{
    Texture texture(loadResourceBlock(125, "IMAGE"));
    EXPECT_EQ(texture.getLayout(), RGB);
    EXPECT_EQ(texture.getWidth(), 512);
    EXPECT_EQ(texture.getHeight(), 512);
    EXPECT_EQ(texture.getPixels()->size(), 512u * 512u * 3u);
}

// A store larger than the picture keeps its size and the bytes past the picture; a smaller one grows.
TEST(TextureDecode, BorrowedStoreKeepsBytesPastThePictureAndGrowsWhenShort)
{
    PngPicture picture = TestSupport::countingPicture(4, 4, 0, 1);
    std::vector<unsigned char> file = TestSupport::encodePng(picture);

    ByteStore large(100, 0xAB);
    Texture texture;
    texture.borrowPixels(&large);
    texture.decodeFromMemory(blockOf(file));
    ASSERT_EQ(large.size(), 100u);
    EXPECT_EQ(std::vector<unsigned char>(large.begin(), large.begin() + 16), TestSupport::bottomRowFirst(picture.rows, 4));
    for (std::size_t i = 16; i < large.size(); ++i)
        ASSERT_EQ(large[i], 0xAB) << i;
    EXPECT_EQ(texture.getPixels(), &large);

    ByteStore small(3, 0xAB);
    texture.borrowPixels(&small);
    texture.decodeFromMemory(blockOf(file));
    EXPECT_EQ(small, TestSupport::bottomRowFirst(picture.rows, 4));
}

// Bad bytes throw and leave the texture as it was.
TEST(TextureDecode, FailureLeavesTheTextureAsItWas)
{
    Texture texture(4, 4, Colour32{9, 9, 9, 9});
    const ByteStore* before = texture.getPixels();
    const ByteStore copy = *before;
    std::vector<unsigned char> notAnImage = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(readError(notAnImage, texture), "IL error, could not read image");
    EXPECT_EQ(texture.getLayout(), RGBA);
    EXPECT_EQ(texture.getWidth(), 4);
    EXPECT_EQ(texture.getHeight(), 4);
    EXPECT_TRUE(texture.isLoaded());
    EXPECT_EQ(texture.getPixels(), before);
    EXPECT_EQ(*texture.getPixels(), copy);

    Texture fresh;
    EXPECT_EQ(readError(notAnImage, fresh), "IL error, could not read image");
    EXPECT_FALSE(fresh.isLoaded());
    EXPECT_EQ(fresh.getPixels(), nullptr);
}
