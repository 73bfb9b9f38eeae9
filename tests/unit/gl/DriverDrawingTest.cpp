#include "engine/Exception.h"

#include "DrawingSurface.h"

#include <gtest/gtest.h>

#include <memory>

using namespace System;

namespace {

const Pixel Black{0, 0, 0};

GLint integer(GLenum name)
{
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

struct StackDepths {
    GLint attrib, projection, modelview;
    bool operator==(const StackDepths& o) const
    {
        return attrib == o.attrib && projection == o.projection && modelview == o.modelview;
    }
};

std::ostream& operator<<(std::ostream& out, const StackDepths& d)
{
    return out << "attrib " << d.attrib << ", projection " << d.projection << ", modelview " << d.modelview;
}

StackDepths depths()
{
    return {integer(GL_ATTRIB_STACK_DEPTH), integer(GL_PROJECTION_STACK_DEPTH), integer(GL_MODELVIEW_STACK_DEPTH)};
}

std::string failureOfWireframe(GLDriver& driver, const std::string& word)
{
    try {
        driver.setWireframe(word);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no exception)";
}

class Driver : public ::testing::Test {
protected:
    static void SetUpTestSuite() { surface = std::make_unique<DrawingSurface>(); }
    static void TearDownTestSuite() { surface.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(surface->ready());
        surface->clear();
        glColor4ub(255, 255, 255, 255);
    }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }

    GLDriver& driver() { return surface->driver; }
    Pixel at(int x, int y) { return surface->at(x, y); }

    static std::unique_ptr<DrawingSurface> surface;
};

std::unique_ptr<DrawingSurface> Driver::surface;

// Every pixel of the rectangle's edge has `edge`, every pixel inside and just outside is black.
void expectOutline(DrawingSurface& s, Rect r, Pixel edge)
{
    const int right = r.x + r.width - 1, bottom = r.y + r.height - 1;
    for (int x = r.x; x <= right; ++x) {
        ASSERT_EQ(s.at(x, r.y), edge) << "top edge at x " << x;
        ASSERT_EQ(s.at(x, bottom), edge) << "bottom edge at x " << x;
        ASSERT_EQ(s.at(x, r.y - 1), Black) << "above at x " << x;
        ASSERT_EQ(s.at(x, bottom + 1), Black) << "below at x " << x;
    }
    for (int y = r.y; y <= bottom; ++y) {
        ASSERT_EQ(s.at(r.x, y), edge) << "left edge at y " << y;
        ASSERT_EQ(s.at(right, y), edge) << "right edge at y " << y;
        ASSERT_EQ(s.at(r.x - 1, y), Black) << "left of it at y " << y;
        ASSERT_EQ(s.at(right + 1, y), Black) << "right of it at y " << y;
    }
    for (int y = r.y + 1; y < bottom; y += 3)
        for (int x = r.x + 1; x < right; x += 3)
            ASSERT_EQ(s.at(x, y), Black) << "inside at " << x << ", " << y;
}

} // namespace

TEST_F(Driver, Begin2DPushesTheStateOnceAndEnd2DPopsItOnce)
{
    const StackDepths base = depths();
    EXPECT_EQ(driver().getMode2D(), 2);

    driver().begin2D();
    const StackDepths inside = depths();
    EXPECT_EQ(inside, (StackDepths{base.attrib + 1, base.projection + 1, base.modelview + 1}));
    EXPECT_EQ(driver().getMode2D(), 1);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    driver().begin2D();
    driver().begin2DAdditive();
    EXPECT_EQ(depths(), inside);

    driver().end2D();
    EXPECT_EQ(depths(), base);
    EXPECT_EQ(driver().getMode2D(), 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    driver().end2D();
    EXPECT_EQ(depths(), base);

    // The additive form starts from an identity model-view; the plain one keeps the caller's.
    glTranslatef(5.0f, 0.0f, 0.0f);
    GLfloat matrix[16];
    driver().begin2DAdditive();
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 0.0f);
    driver().end2D();
    driver().begin2D();
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 5.0f);
    driver().end2D();
    glLoadIdentity();
}

TEST_F(Driver, EveryDrawingOperationLeavesTwoDimensionsBehindIt)
{
    const StackDepths base = depths();
    const Rect r{10, 20, 30, 40};
    driver().enableLighting();
    auto expectLeft = [&](const char* what) {
        EXPECT_EQ(driver().getMode2D(), 2) << what;
        EXPECT_EQ(depths(), base) << what;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << what;
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_TRUE(mask) << what;
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE)) << what;
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << what;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << what;
    };

    driver().drawQuad(r, nullptr);
    expectLeft("drawQuad");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    driver().drawQuad(r, nullptr, Colour32{1, 2, 3, 255});
    expectLeft("drawQuad Colour32");
    driver().drawQuad(r, nullptr, Colour{0.5f, 0.5f, 0.5f, 1.0f});
    expectLeft("drawQuad Colour");
    driver().drawOutline(r, Colour32{1, 2, 3, 255});
    expectLeft("drawOutline");

    // Even inside a caller's own 2D block.
    driver().begin2D();
    driver().drawQuad(r, nullptr);
    expectLeft("drawQuad after begin2D");
    driver().begin2D();
    driver().drawOutline(r, Colour32{1, 2, 3, 255});
    expectLeft("drawOutline after begin2D");
    glDisable(GL_LIGHTING);
}

TEST_F(Driver, AQuadCoversExactlyItsRectangleWithTheTopLeftOrigin)
{
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    const Pixel red{255, 0, 0}, blue{0, 0, 255};
    driver().drawQuad(Rect{10, 20, 30, 40}, nullptr, Colour32{255, 0, 0, 255});
    driver().drawQuad(Rect{100, 150, 1, 1}, nullptr, Colour{0.0f, 0.0f, 1.0f, 1.0f});
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE)) << "culling stays on, and the quads survive it";

    for (auto [x, y] : {std::pair{10, 20}, {39, 20}, {10, 59}, {39, 59}, {25, 40}})
        EXPECT_EQ(at(x, y), red) << x << ", " << y;
    for (auto [x, y] : {std::pair{9, 20}, {40, 20}, {10, 19}, {10, 60}, {9, 59}, {40, 59}, {39, 60}, {39, 19}})
        EXPECT_EQ(at(x, y), Black) << x << ", " << y;
    EXPECT_EQ(at(100, 150), blue);
    EXPECT_EQ(at(101, 150), Black);
    EXPECT_EQ(at(100, 151), Black);

    // A half-transparent quad blends over what is there.
    driver().drawQuad(Rect{10, 20, 30, 40}, nullptr, Colour32{0, 0, 255, 128});
    Pixel blended = at(20, 30);
    EXPECT_NEAR(blended.r, 127, 1);
    EXPECT_NEAR(blended.b, 128, 1);
}

TEST_F(Driver, AQuadFollowsTheCallersTranslationAndAnOutlineDoesNot)
{
    glTranslatef(100.0f, 0.0f, 0.0f);
    driver().drawQuad(Rect{10, 20, 5, 5}, nullptr, Colour32{255, 0, 0, 255});
    driver().drawOutline(Rect{10, 100, 5, 5}, Colour32{0, 255, 0, 255});
    glLoadIdentity();
    EXPECT_EQ(at(112, 22), (Pixel{255, 0, 0}));
    EXPECT_EQ(at(12, 22), Black);
    EXPECT_EQ(at(10, 100), (Pixel{0, 255, 0}));
    EXPECT_EQ(at(110, 100), Black);
}

TEST_F(Driver, AnOutlineLiesOnTheRectanglesOwnEdgePixels)
{
    driver().drawOutline(Rect{10, 20, 30, 40}, Colour32{0, 255, 0, 255});
    expectOutline(*surface, Rect{10, 20, 30, 40}, Pixel{0, 255, 0});
    surface->clear();
    driver().drawOutline(Rect{200, 3, 2, 2}, Colour32{255, 255, 0, 255});
    expectOutline(*surface, Rect{200, 3, 2, 2}, Pixel{255, 255, 0});
}

TEST_F(Driver, UntexturedDrawingIgnoresATextureLeftBound)
{
    // As an upload leaves it: a green texture bound, texturing on.
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const unsigned char green[4 * 4] = {0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, green);
    glEnable(GL_TEXTURE_2D);

    driver().drawOutline(Rect{10, 100, 20, 20}, Colour32{255, 0, 0, 255});
    EXPECT_EQ(at(10, 100), (Pixel{255, 0, 0}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "an outline leaves the caller's texturing alone";
    driver().drawQuad(Rect{10, 20, 30, 40}, nullptr, Colour32{255, 0, 0, 255});
    EXPECT_EQ(at(20, 30), (Pixel{255, 0, 0}));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glDeleteTextures(1, &name);
}

TEST_F(Driver, WireframeWordsAreExactAndABadOneChangesNothing)
{
    auto state = [] {
        GLint modes[2] = {};
        glGetIntegerv(GL_POLYGON_MODE, modes);
        return std::tuple{glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, glIsEnabled(GL_LIGHTING) == GL_TRUE, modes[0],
                          modes[1]};
    };
    const auto off = std::tuple{true, true, GLint(GL_FILL), GLint(GL_FILL)};
    const auto on = std::tuple{false, false, GLint(GL_LINE), GLint(GL_LINE)};

    for (const char* word : {"true", "1", "yes"}) {
        driver().setWireframe("false");
        driver().setWireframe(word);
        EXPECT_TRUE(driver().getWireframe()) << word;
        EXPECT_EQ(state(), on) << word;
        EXPECT_EQ(failureOfWireframe(driver(), "YES"), "Invalid parameter - YES");
        EXPECT_TRUE(driver().getWireframe());
        EXPECT_EQ(state(), on);
    }
    for (const char* word : {"false", "0", "no"}) {
        driver().setWireframe("true");
        driver().setWireframe(word);
        EXPECT_FALSE(driver().getWireframe()) << word;
        EXPECT_EQ(state(), off) << word;
        for (const char* bad : {"YES", "No", "", " 1", "2"})
            EXPECT_EQ(failureOfWireframe(driver(), bad), std::string("Invalid parameter - ") + bad);
        EXPECT_FALSE(driver().getWireframe());
        EXPECT_EQ(state(), off);
    }
    glDisable(GL_LIGHTING);
}

TEST_F(Driver, WireframeFramesStartBlackAndUnlit)
{
    const Pixel white{255, 255, 255};
    auto paintWhite = [] {
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    };
    GLfloat matrix[16];

    // Normal frames keep the picture and reset the model-view matrix.
    paintWhite();
    glTranslatef(3.0f, 4.0f, 0.0f);
    driver().beginFrame();
    EXPECT_EQ(at(0, 0), white);
    EXPECT_EQ(at(128, 128), white);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 0.0f);
    EXPECT_EQ(matrix[13], 0.0f);
    driver().enableLighting();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    driver().setWireframe("yes");
    driver().enableLighting();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    paintWhite();
    glTranslatef(3.0f, 4.0f, 0.0f);
    driver().beginFrame();
    EXPECT_EQ(at(0, 0), Black);
    EXPECT_EQ(at(255, 255), Black);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 0.0f);

    driver().setWireframe("no");
    glDisable(GL_LIGHTING);
}
