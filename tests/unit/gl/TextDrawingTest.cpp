// Glyph lists and text drawing on a real GL context: placement, scale, pen advance, additive
// blending, and the empty text that touches nothing.
#include "base/Exception.h"
#include "engine/Texture.h"
#include "engine/services/Font.h"
#include "scene/Sprite.h"
#include "scene/policies/TextSprite.h"

#include "DrawingSurface.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

using namespace System;

namespace {

// A 256 x 256 sheet (cells of 16) whose 'A' is a solid block over columns 3 to 9 of its cell, whose
// 'H' has ink only in its cell's columns 2 and 12 (black between them), and whose 'T' has a bar over
// columns 2 to 12 in the first four stored rows of its cell and a stem in column 7.
std::unique_ptr<Font> blockFont()
{
    Colour32 black;
    black.a = 255;
    auto texture = std::make_unique<Texture>(256, 256, black);
    auto ink = [&](int x, int y) {
        unsigned char* p = &(*texture->getPixels())[(std::size_t(y) * 256 + x) * 4];
        p[0] = p[1] = p[2] = 255;
    };
    for (int y = 0; y < 16; ++y) {
        for (int x = 3; x <= 9; ++x)
            ink(('A' % 16) * 16 + x, ('A' / 16) * 16 + y);
        ink(('H' % 16) * 16 + 2, ('H' / 16) * 16 + y);
        ink(('H' % 16) * 16 + 12, ('H' / 16) * 16 + y);
        ink(('T' % 16) * 16 + 7, ('T' / 16) * 16 + y);
        for (int x = 2; x <= 12 && y < 4; ++x)
            ink(('T' % 16) * 16 + x, ('T' / 16) * 16 + y);
    }
    return std::make_unique<Font>("blocks", std::move(texture));
}

class Text : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        surface = std::make_unique<DrawingSurface>();
        if (surface->ready) {
            font = blockFont().release();
            surface->driver.buildFont(*font);
        }
    }
    static void TearDownTestSuite()
    {
        delete font;
        font = nullptr;
        surface.reset();
    }
    void SetUp() override
    {
        ASSERT_TRUE(surface->ready);
        surface->clear();
        font->setScaleX(1.0f);
        font->setScaleY(1.0f);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    GLDriver& driver() { return surface->driver; }
    Pixel at(int x, int y) { return surface->at(x, y); }
    // The lit columns of one row between x0 and x1 inclusive.
    std::vector<int> litColumns(int y, int x0, int x1)
    {
        std::vector<int> lit;
        for (int x = x0; x <= x1; ++x)
            if (!(at(x, y) == Black))
                lit.push_back(x);
        return lit;
    }
    std::vector<int> litRows(int x, int y0, int y1)
    {
        std::vector<int> lit;
        for (int y = y0; y <= y1; ++y)
            if (!(at(x, y) == Black))
                lit.push_back(y);
        return lit;
    }

    static std::unique_ptr<DrawingSurface> surface;
    static Font* font;
};

std::unique_ptr<DrawingSurface> Text::surface;
Font* Text::font = nullptr;

std::vector<int> range(int first, int last)
{
    std::vector<int> values;
    for (int v = first; v <= last; ++v)
        values.push_back(v);
    return values;
}

} // namespace

TEST_F(Text, AGlyphIsItsInkWideAndTheFontsSixteenUnitsHighThenThePenMovesOnWidthPlusSpacing)
{
    ASSERT_EQ(font->glyph('A').start, 3);
    ASSERT_EQ(font->glyph('A').width, 7);
    driver().drawColouredText(100, 40, 1, 1, 1, 1, *font, "AA");
    EXPECT_EQ(at(100, 40), (Pixel{255, 255, 255}));
    // 7 columns of ink, 2 of spacing, 7 again.
    auto expected = range(100, 106);
    for (int x : range(109, 115))
        expected.push_back(x);
    EXPECT_EQ(litColumns(45, 90, 130), expected);
    EXPECT_EQ(litRows(103, 30, 70), range(40, 55));
}

TEST_F(Text, TheCellsFirstStoredRowIsTheTopOfTheText)
{
    driver().drawColouredText(50, 150, 1, 1, 1, 1, *font, "T");
    EXPECT_EQ(litColumns(151, 40, 70), range(50, 60));
    EXPECT_EQ(litColumns(160, 40, 70), std::vector<int>{55});
    EXPECT_EQ(litRows(50, 140, 175), range(150, 153));
}

TEST_F(Text, AtScaleHalfByTwoAndAHalfTheTextStillStartsAtItsPosition)
{
    font->setScaleX(0.5f);
    font->setScaleY(2.5f);
    driver().drawColouredText(100, 40, 1, 1, 1, 1, *font, "A");
    // 7 units at 0.5 and 16 units at 2.5: 3.5 pixels across (the centres 100.5 to 102.5), 40 down.
    EXPECT_EQ(litColumns(60, 90, 120), range(100, 102));
    EXPECT_EQ(litRows(101, 20, 100), range(40, 79));
    EXPECT_EQ(at(100, 40), (Pixel{255, 255, 255}));
}

TEST_F(Text, BlackPixelsOfTheFontLeaveTheSceneUnchangedAndInkAddsToIt)
{
    const Pixel scene{40, 80, 120};
    driver().drawQuad(Rect{0, 0, 256, 256}, nullptr, Colour32{40, 80, 120, 255});
    driver().drawColouredText(50, 50, 1, 1, 1, 0.5f, *font, "H");
    // 'H' is columns 2 to 12 of its cell: ink at 50 and 60, black between.
    for (int x = 51; x <= 59; ++x)
        EXPECT_EQ(at(x, 55), scene) << x;
    const Pixel added = at(50, 55);
    EXPECT_NEAR(added.r, 40 + 128, 1);
    EXPECT_NEAR(added.g, 80 + 128, 1);
    EXPECT_NEAR(added.b, 120 + 128, 1);
    EXPECT_EQ(at(60, 55), added);
    EXPECT_EQ(at(61, 55), scene);
}

TEST_F(Text, AnEmptyTextChangesNeitherTheColourNorAnyState)
{
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    auto snapshot = [] {
        std::array<GLfloat, 4> colour{};
        glGetFloatv(GL_CURRENT_COLOR, colour.data());
        std::array<GLfloat, 16> modelview{};
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
        GLint bound = 0, listBase = 0, attributes = 0, projections = 0, source = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetIntegerv(GL_LIST_BASE, &listBase);
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attributes);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projections);
        glGetIntegerv(GL_BLEND_SRC, &source);
        return std::tuple{colour, modelview, bound, listBase, attributes, projections, source,
                          bool(glIsEnabled(GL_TEXTURE_2D)), bool(glIsEnabled(GL_BLEND)),
                          bool(glIsEnabled(GL_DEPTH_TEST))};
    };
    const auto before = snapshot();
    const int mode = driver().getMode2D();
    driver().drawColouredText(10, 10, 1, 0, 0, 1, *font, "");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(driver().getMode2D(), mode);
    EXPECT_EQ(at(10, 10), Black);
    // A text does change them: the snapshot can tell.
    driver().drawColouredText(10, 10, 1, 0, 0, 1, *font, "A");
    EXPECT_NE(snapshot(), before);
}

TEST_F(Text, DrawingLeavesTheTwoDimensionalStateAndTexturing)
{
    GLint depths[2] = {};
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depths[0]);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depths[1]);
    driver().drawColouredText(10, 10, 1, 1, 1, 1, *font, "AHA");
    EXPECT_EQ(driver().getMode2D(), 2);
    GLint after[2] = {};
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &after[0]);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after[1]);
    EXPECT_EQ(after[0], depths[0]);
    EXPECT_EQ(after[1], depths[1]);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(Text, EachBuildMakesNewListsAndARefusedPictureMakesNone)
{
    const GLuint first = font->getListBase();
    EXPECT_NE(first, 0u);
    EXPECT_TRUE(glIsList(first) && glIsList(first + 255));

    Colour32 grey;
    grey.r = grey.g = grey.b = grey.a = 128;
    Font odd("odd", std::make_unique<Texture>(96, 96, grey));
    const GLuint probe = glGenLists(1);
    try {
        driver().buildFont(odd);
        ADD_FAILURE() << "a 96-pixel picture was uploaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Invalid texture, each side's size should power of 2\n");
    }
    EXPECT_EQ(odd.getListBase(), 0u);
    // No 256 lists were taken between the probes.
    const GLuint next = glGenLists(1);
    EXPECT_EQ(next, probe + 1);
    glDeleteLists(probe, 1);
    glDeleteLists(next, 1);
}

namespace {

struct letter_a {
    static std::string text() { return "A"; }
};

} // namespace

TEST_F(Text, ATextSpriteDrawsAtFractionsOfItsSizeNotOfItsPosition)
{
    const Rect area{0, 0, 256, 256};
    // The rectangle's corner is (128, 64); the text goes to 0.25 x 128, 0.5 x 192.
    Sprite<text_sprite<letter_a>> sprite(PointF{0.5f, 0.25f}, PointF{1.0f, 1.0f}, Point(), &area);
    sprite.font = font;
    sprite.position = PointF{0.25f, 0.5f};
    sprite.colour = Colour{1.0f, 1.0f, 1.0f, 1.0f};
    sprite.text = "initial";
    sprite.update(0.0);
    EXPECT_EQ(sprite.text, "A");
    sprite.render(driver());
    EXPECT_EQ(at(32, 96), (Pixel{255, 255, 255}));
    EXPECT_EQ(at(31, 96), Black);
    EXPECT_EQ(at(32, 95), Black);

    // Without a font it draws nothing.
    surface->clear();
    sprite.font = nullptr;
    sprite.render(driver());
    EXPECT_EQ(at(32, 96), Black);
}
