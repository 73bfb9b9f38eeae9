// Glyph measurement of the bitmap font, on sheets made here and on the real glyph sheet.
#include "PngWriter.h"
#include "engine/Texture.h"
#include "engine/services/Font.h"
#include "scene/ResourceHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace System;

namespace {

// A glyph sheet written in the order the decoder hands it over: row 0 is the first stored row,
// which is the picture's bottom row.
struct Sheet {
    Sheet(int size, int colourType) : size(size), colourType(colourType)
    {
        static const int channelsOf[] = {1, 0, 3, 0, 2, 0, 4};
        channels = channelsOf[colourType];
        store.assign(std::size_t(size) * size * channels, 0);
    }

    int cell() const { return size / 16; }
    unsigned char* pixel(int x, int y) { return &store[(std::size_t(y) * size + x) * channels]; }
    // Ink in columns first..last (within the cell) of glyph c, on one row of its cell each.
    void glyph(int c, int first, int last)
    {
        const int left = (c % 16) * cell();
        const int top = (c / 16) * cell();
        pixel(left + first, top)[0] = 255;
        pixel(left + last, top + cell() - 1)[0] = 200;
    }

    std::vector<unsigned char> png() const
    {
        TestSupport::PngPicture picture;
        picture.width = size;
        picture.height = size;
        picture.colourType = colourType;
        picture.rows = TestSupport::bottomRowFirst(store, std::size_t(size) * channels);
        return TestSupport::encodePng(picture);
    }

    std::unique_ptr<Font> font(const std::string& name = "test") const
    {
        const std::vector<unsigned char> bytes = png();
        ResourceBlock block;
        block.data = bytes.data();
        block.size = static_cast<std::uint32_t>(bytes.size());
        return std::make_unique<Font>(name, block);
    }

    int size;
    int colourType;
    int channels = 0;
    std::vector<unsigned char> store;
};

::testing::AssertionResult glyphIs(const Font& font, int c, int start, int width)
{
    const Font::Glyph& g = font.glyph(static_cast<unsigned char>(c));
    if (g.start == start && g.width == width)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "glyph " << c << " has start " << int(g.start) << " width "
                                         << int(g.width) << ", expected " << start << ", " << width;
}

} // namespace

TEST(FontMetrics, InkSpanOfEachCellFromEveryRowOfIt)
{
    Sheet sheet(256, 6);  // cells of 16 pixels
    sheet.glyph('A', 3, 9);
    sheet.glyph('B', 0, 15);                     // the cell's edge columns belong to it
    sheet.pixel(('D' % 16) * 16, ('D' / 16) * 16 + 4)[0] = 255;  // 'C' stays empty beside it
    sheet.pixel(16 * 16 - 1, 15 * 16 + 15)[0] = 9;               // the very last pixel of the sheet
    auto font = sheet.font("glyphs");

    EXPECT_TRUE(glyphIs(*font, 'A', 3, 7));  // the pen then moves 7 + 2
    EXPECT_TRUE(glyphIs(*font, 'B', 0, 16));
    EXPECT_TRUE(glyphIs(*font, 'C', 0, 0));  // no ink: nothing drawn, the pen moves by the spacing
    EXPECT_TRUE(glyphIs(*font, 'D', 0, 1));
    EXPECT_TRUE(glyphIs(*font, 255, 15, 1));
    // The widest glyph below 16 is 'A' (the 16-pixel space and 'B' do not count): 2 x 7 / 3.
    EXPECT_TRUE(glyphIs(*font, ' ', 0, 4));

    EXPECT_EQ(font->getName(), "glyphs");
    EXPECT_EQ(font->getTexture().getName(), "glyphs");
    EXPECT_FALSE(font->getTexture().getBgr());
    EXPECT_TRUE(font->getTexture().isLoaded());
    EXPECT_EQ(font->getScaleX(), 1.0f);
    EXPECT_EQ(font->getScaleY(), 1.0f);
    EXPECT_EQ(font->getSpacing(), 2);
    EXPECT_EQ(font->getListBase(), 0u);
    EXPECT_EQ(font->getInkThreshold(), 0);
}

TEST(FontMetrics, CellRowsCountFromTheFirstStoredRow)
{
    Sheet sheet(256, 6);
    sheet.glyph(16, 2, 5);  // cell row 1: the second row of cells from the picture's bottom
    auto font = sheet.font();
    EXPECT_TRUE(glyphIs(*font, 16, 2, 4));
    EXPECT_TRUE(glyphIs(*font, 224, 0, 0));  // its mirror from the top
}

TEST(FontMetrics, TheSpaceIsTwoThirdsOfTheWidestGlyphNarrowerThan16)
{
    Sheet sheet(512, 6);  // cells of 32 pixels, so a glyph can be 20 wide
    sheet.glyph('i', 10, 16);  // 7
    sheet.glyph('n', 4, 15);   // 12
    sheet.glyph('W', 2, 21);   // 20
    auto font = sheet.font();
    EXPECT_TRUE(glyphIs(*font, 'W', 2, 20));
    EXPECT_TRUE(glyphIs(*font, ' ', 0, 8));
}

TEST(FontMetrics, OnlyTheFirstByteOfAPixelIsInkInEveryLayout)
{
    // grey, grey + alpha, RGB, RGBA
    for (int colourType : {0, 4, 2, 6}) {
        Sheet sheet(256, colourType);
        const int left = ('x' % 16) * 16, top = ('x' / 16) * 16;
        sheet.pixel(left + 4, top + 3)[0] = 1;  // just above the threshold
        for (int channel = 1; channel < sheet.channels; ++channel) {
            sheet.pixel(left + 1, top + 3)[channel] = 255;
            sheet.pixel(left + 12, top + 8)[channel] = 255;
        }
        auto font = sheet.font();
        EXPECT_TRUE(glyphIs(*font, 'x', 4, 1)) << "colour type " << colourType;
    }
}

TEST(FontMetrics, ScansStayInsideAPictureThatIsNotSquare)
{
    // 256 wide (cells of 16) but only 40 rows: cell row 2 is cut short, rows 3 to 15 lie outside.
    Colour32 black;
    black.a = 255;
    auto texture = std::make_unique<Texture>(256, 40, black);
    auto ink = [&](int x, int y) { (*texture->getPixels())[(std::size_t(y) * 256 + x) * 4] = 255; };
    ink(('%' % 16) * 16 + 6, 2 * 16 + 7);
    ink(('!' % 16) * 16 + 1, 2 * 16);
    Font font("short", std::move(texture));
    EXPECT_TRUE(glyphIs(font, '%', 6, 1));
    EXPECT_TRUE(glyphIs(font, '!', 1, 1));
    for (int c = 48; c < 256; ++c)
        EXPECT_TRUE(glyphIs(font, c, 0, 0));

    // A texture with no pixels at all measures as empty.
    Font empty("empty", std::make_unique<Texture>());
    for (int c = 0; c < 256; ++c)
        EXPECT_TRUE(glyphIs(empty, c, 0, 0));
}

TEST(FontMetrics, TheGlyphSheetHoldsTheClocksCharactersWhereTheTextLooksForThem)
{
    Font font("font", loadResourceBlock(154, "IMAGE"));
    const int cell = font.getTexture().getWidth() / 16;
    ASSERT_EQ(cell, 64);
    for (int c = 0; c < 256; ++c) {
        const Font::Glyph& g = font.glyph(static_cast<unsigned char>(c));
        const bool printable = c > 32 && c < 127;
        if (printable) {
            EXPECT_GT(g.width, 0) << c;
        } else if (c != 32) {
            EXPECT_EQ(g.width, 0) << c;
        }
        EXPECT_LE(g.start + g.width, cell) << c;
    }
    auto width = [&](char c) { return int(font.glyph(static_cast<unsigned char>(c)).width); };
    int narrowest = 64, widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        narrowest = std::min(narrowest, width(digit));
        widest = std::max(widest, width(digit));
    }
    // Digits of one width give a clock that does not jitter; they fill most of the cell.
    EXPECT_GE(narrowest, 28);
    EXPECT_LE(widest - narrowest, 8);
    EXPECT_LT(width(':'), narrowest / 2);
    EXPECT_GT(width('m'), widest);
    EXPECT_GT(width('A'), narrowest);
    EXPECT_GT(width('P'), narrowest / 2);
    // The space: two thirds of the widest glyph under 16 columns (the colon is one of them).
    int narrowWidest = 0;
    for (int c = 33; c < 127; ++c)
        if (width(char(c)) < 16)
            narrowWidest = std::max(narrowWidest, width(char(c)));
    EXPECT_GE(narrowWidest, width(':'));
    EXPECT_EQ(width(' '), 2 * narrowWidest / 3);
    EXPECT_GT(width(' '), 4);
}
