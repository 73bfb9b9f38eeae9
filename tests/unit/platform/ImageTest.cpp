#include "PngWriter.h"
#include "base/Exception.h"
#include "engine/Texture.h"
#include "scene/ResourceHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

using namespace System;

namespace {

// Decodes a copy held in a buffer of exactly that size, so a checker (valgrind, ASan) sees any read
// past the end. Returns the exception's message, or "decoded".
std::string decodeExactCopy(const unsigned char* data, std::size_t size)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    ResourceBlock block;
    block.data = copy.get();
    block.size = static_cast<std::uint32_t>(size);
    try {
        decodeImage(block);
        return "decoded";
    } catch (const Exception& e) {
        return e.message();
    }
}

std::vector<unsigned char> paletteWithTransparency()
{
    TestSupport::PngPicture picture;
    picture.width = 8;
    picture.height = 8;
    picture.colourType = 3;
    for (int i = 0; i < 16 * 3; ++i)
        picture.palette.push_back(static_cast<unsigned char>(i * 5));
    picture.transparency = {0, 64, 128, 255};
    for (int i = 0; i < 64; ++i)
        picture.rows.push_back(static_cast<unsigned char>(i % 16));
    return TestSupport::encodePng(picture);
}

} // namespace

TEST(Image, ReadsSizeAndDepthAndCopiesPixels)
{
    TestSupport::PngPicture picture = TestSupport::countingPicture(8, 4, 6, 4);
    std::vector<unsigned char> file = TestSupport::encodePng(picture);
    ResourceBlock block;
    block.data = file.data();
    block.size = static_cast<std::uint32_t>(file.size());
    std::unique_ptr<Platform::Image> image = Platform::Image::decode(block);
    ASSERT_TRUE(image);
    EXPECT_EQ(Platform::Image::lastError(), Platform::ImageError::None);
    EXPECT_EQ(image->width(), 8);
    EXPECT_EQ(image->height(), 4);
    EXPECT_EQ(image->bitsPerPixel(), 32);
    std::vector<unsigned char> store;
    image->copyPixels(store);
    EXPECT_EQ(store, TestSupport::bottomRowFirst(picture.rows, 32));
}

TEST(Image, BytesThatAreNotAnImageAreRefused)
{
    const std::string text = "This is not a picture, only a sentence.";
    EXPECT_EQ(decodeExactCopy(reinterpret_cast<const unsigned char*>(text.data()), text.size()),
              "IL error, could not read image");
    std::mt19937 random(7);
    std::vector<unsigned char> noise(4096);
    for (unsigned char& byte : noise)
        byte = static_cast<unsigned char>(random());
    EXPECT_EQ(decodeExactCopy(noise.data(), noise.size()), "IL error, could not read image");
    EXPECT_EQ(decodeExactCopy(noise.data(), 0), "IL error, could not read image");
    ResourceBlock nothing;
    EXPECT_THROW(decodeImage(nothing), Exception);
    // The platform's own report: no image and the failed step.
    EXPECT_EQ(Platform::Image::decode(nothing), nullptr);
    EXPECT_EQ(Platform::Image::lastError(), Platform::ImageError::Read);
}

// Every prefix of a PNG is refused, including the palette-with-transparency pictures on which the
// library itself loops forever when it is given a short file.
TEST(Image, TruncatedPngsAreRefused)
{
    std::vector<unsigned char> palette = paletteWithTransparency();
    std::vector<unsigned char> rgba = TestSupport::encodePng(TestSupport::countingPicture(8, 8, 6, 4));
    for (const std::vector<unsigned char>* file : {&palette, &rgba}) {
        ASSERT_EQ(decodeExactCopy(file->data(), file->size()), "decoded");
        for (std::size_t size = 0; size < file->size(); ++size)
            ASSERT_EQ(decodeExactCopy(file->data(), size), "IL error, could not read image") << size;
    }
}

TEST(Image, TruncatedJpegsAreRefused)
{
    ResourceBlock jpeg = loadResourceBlock(125, "IMAGE");
    ASSERT_EQ(decodeExactCopy(jpeg.data, jpeg.size), "decoded");
    std::vector<std::size_t> sizes = {0, 1, 2, 3, 4, 20, 100, 300, 600};
    for (std::size_t size = 700; size < jpeg.size; size += 997)
        sizes.push_back(size);
    for (std::size_t back = 1; back <= 3; ++back)
        sizes.push_back(jpeg.size - back);
    for (std::size_t size : sizes)
        EXPECT_EQ(decodeExactCopy(jpeg.data, size), "IL error, could not read image") << size;
}

// Bytes after a complete picture do not matter.
TEST(Image, TrailingBytesAfterAPictureAreIgnored)
{
    std::vector<unsigned char> png = TestSupport::encodePng(TestSupport::countingPicture(4, 4, 0, 1));
    png.insert(png.end(), {1, 2, 3, 4, 5});
    EXPECT_EQ(decodeExactCopy(png.data(), png.size()), "decoded");
    ResourceBlock jpeg = loadResourceBlock(125, "IMAGE");
    std::vector<unsigned char> padded(jpeg.data, jpeg.data + jpeg.size);
    padded.insert(padded.end(), {0, 0, 0});
    EXPECT_EQ(decodeExactCopy(padded.data(), padded.size()), "decoded");
}

// A header may claim a picture far larger than its few bytes: a side over 16384 (no GL here takes such
// a texture) or more than 2^26 pixels is refused before the library allocates for it.
TEST(Image, PicturesClaimingAHugeSizeAreRefused)
{
    ResourceBlock original = loadResourceBlock(125, "IMAGE");
    std::vector<unsigned char> jpeg(original.data, original.data + original.size);
    std::size_t frame = 2;
    while (!(jpeg[frame] == 0xFF && jpeg[frame + 1] >= 0xC0 && jpeg[frame + 1] <= 0xC2))
        frame += 2 + ((std::size_t(jpeg[frame + 2]) << 8) | jpeg[frame + 3]);
    auto claim = [&](unsigned width, unsigned height) {
        std::vector<unsigned char> copy = jpeg;
        copy[frame + 5] = static_cast<unsigned char>(height >> 8);
        copy[frame + 6] = static_cast<unsigned char>(height);
        copy[frame + 7] = static_cast<unsigned char>(width >> 8);
        copy[frame + 8] = static_cast<unsigned char>(width);
        return decodeExactCopy(copy.data(), copy.size());
    };
    EXPECT_EQ(claim(512, 512), "decoded");
    EXPECT_EQ(claim(17490, 18760), "IL error, could not read image");
    EXPECT_EQ(claim(16385, 8), "IL error, could not read image");
    EXPECT_EQ(claim(8, 65535), "IL error, could not read image");
    EXPECT_EQ(claim(16384, 16384), "IL error, could not read image");  // 2^28 pixels

    std::vector<unsigned char> png = TestSupport::encodePng(TestSupport::countingPicture(8, 8, 6, 4));
    auto claimPng = [&](std::uint32_t width, std::uint32_t height) {
        std::vector<unsigned char> copy = png;
        for (int i = 0; i < 4; ++i) {
            copy[16 + i] = static_cast<unsigned char>(width >> (24 - 8 * i));
            copy[20 + i] = static_cast<unsigned char>(height >> (24 - 8 * i));
        }
        std::uint32_t crc = TestSupport::crc32(copy.data() + 12, 17);
        for (int i = 0; i < 4; ++i)
            copy[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
        return decodeExactCopy(copy.data(), copy.size());
    };
    EXPECT_EQ(claimPng(8, 8), "decoded");
    EXPECT_EQ(claimPng(20000, 8), "IL error, could not read image");
    EXPECT_EQ(claimPng(8, 0x7FFFFFFF), "IL error, could not read image");
}
