#include "base/Exception.h"

#include "DrawingSurface.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace System;

namespace {

GLint integer(GLenum name)
{
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

using Depths = std::tuple<GLint, GLint, GLint>;

Depths stackDepths()
{
    return {integer(GL_ATTRIB_STACK_DEPTH), integer(GL_PROJECTION_STACK_DEPTH), integer(GL_MODELVIEW_STACK_DEPTH)};
}

GLfloat modelviewX()
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return m[12];
}

class Driver : public SurfaceTest {
protected:
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

    GLDriver& driver() { return surface->driver; }
};

} // namespace

TEST_F(Driver, TwoDimensionalStateIsPushedOnceAndLeftAfterEveryDrawing)
{
    const Depths base = stackDepths();
    const Depths pushed{std::get<0>(base) + 1, std::get<1>(base) + 1, std::get<2>(base) + 1};
    driver().begin2D();
    driver().begin2D();
    driver().begin2DAdditive();
    EXPECT_EQ(stackDepths(), pushed);
    EXPECT_EQ(driver().getMode2D(), 1);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    driver().end2D();
    driver().end2D();
    EXPECT_EQ(stackDepths(), base);
    EXPECT_EQ(driver().getMode2D(), 0);

    const Rect r{10, 20, 30, 40};
    driver().enableLighting();
    for (int round = 0; round < 2; ++round) {
        // The second round draws inside a caller's own 2D block: the drawing still leaves it.
        for (int op = 0; op < 4; ++op) {
            if (round == 1)
                driver().begin2D();
            switch (op) {
            case 0: driver().drawQuad(r, nullptr); break;
            case 1: driver().drawQuad(r, nullptr, Colour32{1, 2, 3, 255}); break;
            case 2: driver().drawQuad(r, nullptr, Colour{0.5f, 0.5f, 0.5f, 1.0f}); break;
            default: driver().drawOutline(r, Colour32{1, 2, 3, 255}); break;
            }
            GLboolean depthMask = GL_FALSE;
            glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
            SCOPED_TRACE(testing::Message() << "round " << round << ", operation " << op);
            EXPECT_EQ(driver().getMode2D(), 2);
            EXPECT_EQ(stackDepths(), base);
            EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && depthMask);
            EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_LIGHTING));
            EXPECT_FALSE(glIsEnabled(GL_BLEND));
        }
    }
    glDisable(GL_LIGHTING);
}

TEST_F(Driver, AQuadCoversExactlyItsRectangleAndSurvivesCulling)
{
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    driver().drawQuad(Rect{10, 20, 30, 40}, nullptr, Colour32{255, 0, 0, 255});
    driver().drawQuad(Rect{100, 150, 1, 1}, nullptr, Colour{0.0f, 1.0f, 0.0f, 1.0f});
    for (auto [x, y] : {std::pair{10, 20}, {39, 20}, {10, 59}, {39, 59}, {25, 40}})
        EXPECT_EQ(at(x, y), Red) << x << ", " << y;
    for (auto [x, y] : {std::pair{9, 20}, {40, 20}, {10, 19}, {10, 60}, {40, 59}, {39, 60}, {101, 150}, {100, 151}})
        EXPECT_EQ(at(x, y), Black) << x << ", " << y;
    EXPECT_EQ(at(100, 150), Green);

    // A caller's translation moves quads but not outlines.
    glTranslatef(100.0f, 0.0f, 0.0f);
    driver().drawQuad(Rect{10, 200, 5, 5}, nullptr, Colour32{255, 0, 0, 255});
    driver().drawOutline(Rect{10, 220, 5, 5}, Colour32{0, 255, 0, 255});
    glLoadIdentity();
    EXPECT_EQ(at(112, 202), Red);
    EXPECT_EQ(at(10, 220), Green);
}

TEST_F(Driver, AnOutlineLiesOnTheRectanglesOwnEdgePixelsOnly)
{
    for (Rect r : {Rect{10, 20, 30, 40}, Rect{200, 3, 2, 2}}) {
        surface->clear();
        driver().drawOutline(r, Colour32{0, 255, 0, 255});
        const int right = r.x + r.width - 1, bottom = r.y + r.height - 1;
        for (int x = r.x; x <= right; ++x)
            for (int y = r.y - 1; y <= bottom + 1; ++y) {
                bool edge = y == r.y || y == bottom || x == r.x || x == right;
                bool outside = y < r.y || y > bottom;
                ASSERT_EQ(at(x, y), edge && !outside ? Green : Black) << x << ", " << y;
            }
        for (int y = r.y; y <= bottom; ++y) {
            ASSERT_EQ(at(r.x - 1, y), Black) << "left of " << y;
            ASSERT_EQ(at(right + 1, y), Black) << "right of " << y;
        }
    }
}

TEST_F(Driver, UntexturedDrawingIgnoresATextureLeftBound)
{
    // As an upload leaves it: a green texture bound, texturing on.
    GLuint name = 0;
    const unsigned char green[16] = {0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, green);
    glEnable(GL_TEXTURE_2D);

    driver().drawOutline(Rect{10, 100, 20, 20}, Colour32{255, 0, 0, 255});
    EXPECT_EQ(at(10, 100), Red);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "an outline leaves the caller's texturing alone";
    driver().drawQuad(Rect{10, 20, 30, 40}, nullptr, Colour32{255, 0, 0, 255});
    EXPECT_EQ(at(20, 30), Red);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glDeleteTextures(1, &name);
}

TEST_F(Driver, WireframeWordsAreExactAndABadOneChangesNothing)
{
    auto state = [] {
        GLint modes[2] = {};
        glGetIntegerv(GL_POLYGON_MODE, modes);
        return std::tuple{bool(glIsEnabled(GL_TEXTURE_2D)), bool(glIsEnabled(GL_LIGHTING)), modes[0], modes[1]};
    };
    const auto off = std::tuple{true, true, GLint(GL_FILL), GLint(GL_FILL)};
    const auto on = std::tuple{false, false, GLint(GL_LINE), GLint(GL_LINE)};
    auto failureOf = [this](const std::string& word) -> std::string {
        try {
            driver().setWireframe(word);
        } catch (const Exception& e) {
            return e.message();
        }
        return "(no exception)";
    };

    for (bool wanted : {true, false}) {
        for (const char* word : wanted ? std::vector{"true", "1", "yes"} : std::vector{"false", "0", "no"}) {
            driver().setWireframe(wanted ? "no" : "yes");
            driver().setWireframe(word);
            for (const char* bad : {"YES", "No", "", " 1", "2"})
                EXPECT_EQ(failureOf(bad), std::string("Invalid parameter - ") + bad);
            EXPECT_EQ(driver().getWireframe(), wanted) << word;
            EXPECT_EQ(state(), wanted ? on : off) << word;
        }
    }
    glDisable(GL_LIGHTING);
}

TEST_F(Driver, WireframeFramesStartBlackAndUnlit)
{
    auto paintWhiteAndMove = [] {
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glTranslatef(3.0f, 4.0f, 0.0f);
    };
    // Normal frames keep the picture; every frame resets the model-view matrix.
    paintWhiteAndMove();
    driver().beginFrame();
    EXPECT_EQ(at(128, 128), (Pixel{255, 255, 255}));
    EXPECT_EQ(modelviewX(), 0.0f);
    driver().enableLighting();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    driver().setWireframe("yes");
    driver().enableLighting();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    paintWhiteAndMove();
    driver().beginFrame();
    EXPECT_EQ(at(0, 0), Black);
    EXPECT_EQ(at(255, 255), Black);
    EXPECT_EQ(modelviewX(), 0.0f);
    driver().setWireframe("no");
    glDisable(GL_LIGHTING);
}
