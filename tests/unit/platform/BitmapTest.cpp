#include "platform/Bitmap.h"
#include "platform/ChildWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

using System::Platform::Bitmap;
using System::Platform::decodeBitmap;
using System::Platform::stretchSource;

namespace {

void put16(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value)
{
    out[at] = static_cast<unsigned char>(value);
    out[at + 1] = static_cast<unsigned char>(value >> 8);
}

void put32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value)
{
    put16(out, at, value & 0xffff);
    put16(out, at + 2, value >> 16);
}

// A BMP file (or, without the file header, a packed DIB) of width x height whose pixel (x, y) from
// the top is (x, y, x + y), stored bottom-up unless topDown.
std::vector<unsigned char> bmp(int width, int height, bool fileHeader = true, bool topDown = false,
                               int bits = 24)
{
    std::size_t header = fileHeader ? 14 : 0;
    std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    std::size_t offset = header + 40;
    std::vector<unsigned char> out(offset + stride * static_cast<std::size_t>(height));
    if (fileHeader) {
        out[0] = 'B';
        out[1] = 'M';
        put32(out, 2, static_cast<std::uint32_t>(out.size()));
        put32(out, 10, static_cast<std::uint32_t>(offset));
    }
    put32(out, header, 40);
    put32(out, header + 4, static_cast<std::uint32_t>(width));
    put32(out, header + 8, static_cast<std::uint32_t>(topDown ? -height : height));
    put16(out, header + 12, 1);
    put16(out, header + 14, static_cast<std::uint32_t>(bits));
    for (int y = 0; y < height; ++y) {
        int stored = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            unsigned char* pixel = &out[offset + stride * static_cast<std::size_t>(stored) +
                                        static_cast<std::size_t>(x) * 3];
            pixel[0] = static_cast<unsigned char>(x + y);  // blue first
            pixel[1] = static_cast<unsigned char>(y);
            pixel[2] = static_cast<unsigned char>(x);
        }
    }
    return out;
}

void expectPattern(const Bitmap& bitmap, int width, int height)
{
    ASSERT_EQ(bitmap.width, width);
    ASSERT_EQ(bitmap.height, height);
    ASSERT_EQ(bitmap.rgb.size(), static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = &bitmap.rgb[static_cast<std::size_t>((y * width + x) * 3)];
            ASSERT_EQ(pixel[0], x) << x << "," << y;
            ASSERT_EQ(pixel[1], y) << x << "," << y;
            ASSERT_EQ(pixel[2], x + y) << x << "," << y;
        }
}

bool decodes(const std::vector<unsigned char>& bytes)
{
    Bitmap ignored;
    return decodeBitmap(bytes.data(), bytes.size(), ignored);
}

} // namespace

TEST(Bitmap, DecodesFilesAndPackedDibsEitherWayUp)
{
    for (bool fileHeader : {true, false})
        for (bool topDown : {false, true}) {
            std::vector<unsigned char> bytes = bmp(7, 5, fileHeader, topDown);  // rows padded
            Bitmap bitmap;
            ASSERT_TRUE(decodeBitmap(bytes.data(), bytes.size(), bitmap)) << fileHeader << topDown;
            expectPattern(bitmap, 7, 5);
        }
}

TEST(Bitmap, TheLastRowNeedsItsPixelsButNotItsPadding)
{
    std::vector<unsigned char> bytes = bmp(7, 5, true, true);
    bytes.resize(bytes.size() - 3);  // 7 * 3 = 21 bytes of pixels, 3 of padding
    Bitmap bitmap;
    ASSERT_TRUE(decodeBitmap(bytes.data(), bytes.size(), bitmap));
    expectPattern(bitmap, 7, 5);
    bytes.pop_back();
    EXPECT_FALSE(decodes(bytes));
}

TEST(Bitmap, RefusesWhatIsNotAWholeUncompressed24BitBitmap)
{
    std::vector<unsigned char> good = bmp(4, 4);
    EXPECT_TRUE(decodes(good));
    EXPECT_FALSE(decodes({}));
    EXPECT_FALSE(decodes({'B', 'M'}));
    EXPECT_FALSE(decodeBitmap(nullptr, 100, *std::make_unique<Bitmap>()));
    for (std::size_t cut : {std::size_t(10), std::size_t(30), std::size_t(53), good.size() - 1})
        EXPECT_FALSE(decodes(std::vector<unsigned char>(good.begin(), good.begin() + cut))) << cut;

    auto changed = [&good](std::size_t at, std::uint32_t value, bool wide) {
        std::vector<unsigned char> bytes = good;
        wide ? put32(bytes, at, value) : put16(bytes, at, value);
        return bytes;
    };
    EXPECT_FALSE(decodes(bmp(4, 4, true, false, 32)));
    EXPECT_FALSE(decodes(bmp(4, 4, true, false, 8)));
    EXPECT_FALSE(decodes(changed(30, 1, true)));            // run-length compressed
    EXPECT_FALSE(decodes(changed(26, 2, false)));           // two planes
    EXPECT_FALSE(decodes(changed(18, 0, true)));            // no width
    EXPECT_FALSE(decodes(changed(18, 0xffffffff, true)));   // negative width
    EXPECT_FALSE(decodes(changed(22, 0, true)));            // no height
    EXPECT_FALSE(decodes(changed(18, 40000, true)));        // larger than any picture we ship
    EXPECT_FALSE(decodes(changed(10, 0xfffffff0, true)));   // rows far past the end
    EXPECT_FALSE(decodes(changed(10, 20, true)));           // rows inside the header
    EXPECT_FALSE(decodes(changed(14, 0xffffff00, true)));   // header larger than the data
    EXPECT_FALSE(decodes(changed(14, 20, true)));           // unknown header size
    std::vector<unsigned char> dib = bmp(4, 4, false);
    put32(dib, 32, 0x40000000);  // a colour table that cannot fit
    EXPECT_FALSE(decodes(dib));
}

// The old OS/2-style header: 16-bit sides that are unsigned, rows always stored bottom-up. A height
// with the top bit set is a side of over 32768 rows, refused as too large, never a top-down bitmap.
TEST(Bitmap, ReadsTheCoreHeadersSidesAsUnsigned)
{
    const int width = 3, height = 2;
    const std::size_t stride = 12;  // 9 bytes of pixels padded to 12
    std::vector<unsigned char> core(14 + 12 + stride * height);
    core[0] = 'B';
    core[1] = 'M';
    put32(core, 2, static_cast<std::uint32_t>(core.size()));
    put32(core, 10, 14 + 12);
    put32(core, 14, 12);
    put16(core, 18, width);
    put16(core, 20, height);
    put16(core, 22, 1);
    put16(core, 24, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* pixel = &core[26 + stride * static_cast<std::size_t>(height - 1 - y) +
                                         static_cast<std::size_t>(x) * 3];
            pixel[0] = static_cast<unsigned char>(x + y);
            pixel[1] = static_cast<unsigned char>(y);
            pixel[2] = static_cast<unsigned char>(x);
        }
    Bitmap bitmap;
    ASSERT_TRUE(decodeBitmap(core.data(), core.size(), bitmap));
    expectPattern(bitmap, width, height);

    std::vector<unsigned char> tall = core;
    put16(tall, 20, 0xffff);  // 65535 rows, not one row stored top-down
    EXPECT_FALSE(decodes(tall));
    put16(tall, 20, 0x8001);
    EXPECT_FALSE(decodes(tall));
}

TEST(Bitmap, ResourceThatIsMissingIsNotLoaded)
{
    Bitmap bitmap;
    EXPECT_FALSE(System::Platform::loadBitmap(9999, bitmap));
}

TEST(Stretch, EachDestinationPixelTakesTheSourcePixelUnderItsCentre)
{
    // 155 source pixels onto 152: every destination pixel lands inside, in order, dropping three.
    std::vector<int> taken;
    for (int d = 0; d < 152; ++d)
        taken.push_back(stretchSource(d, 152, 155));
    EXPECT_EQ(taken.front(), 0);
    EXPECT_EQ(taken.back(), 154);
    for (std::size_t i = 1; i < taken.size(); ++i)
        EXPECT_GE(taken[i] - taken[i - 1], 1);
    for (int d = 0; d < 115; ++d)
        EXPECT_EQ(stretchSource(d, 115, 115), d);
    // Doubling repeats each source pixel twice.
    for (int d = 0; d < 230; ++d)
        EXPECT_EQ(stretchSource(d, 230, 115), d / 2);
}
