#include "engine/ui/Form.h"
#include "engine/ui/RenderableControl.h"

#include "DrawingSurface.h"

#include <gtest/gtest.h>

#include <memory>

using namespace System;
using System::UI::Form;
using System::UI::RenderableControl;

namespace {

const Pixel Black{0, 0, 0};
const Pixel Red{255, 0, 0};
const Pixel Green{0, 255, 0};

// A child that paints a solid rectangle.
class Patch : public Object {
public:
    Patch(const std::string& name, Rect area, Colour32 colour) : Object(name), area(area), colour(colour) {}
    void render(GLDriver& driver) override { driver.drawQuad(area, nullptr, colour); }

private:
    Rect area;
    Colour32 colour;
};

class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { surface = std::make_unique<DrawingSurface>(); }
    static void TearDownTestSuite() { surface.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(surface->ready());
        surface->clear();
    }

    Pixel at(int x, int y) { return surface->at(x, y); }

    static std::unique_ptr<DrawingSurface> surface;
};

std::unique_ptr<DrawingSurface> Controls::surface;

} // namespace

TEST_F(Controls, AFormOutlinesItselfThenItsFrameThenDrawsItsChildren)
{
    Form form("form");
    form.setPosition(Point{10, 20});
    form.setSize(UI::Size{30, 40});
    form.setColour(Colour32{255, 0, 0, 255});
    form.setFrameColour(Colour32{0, 0, 255, 128});
    // Covers the form's left edge only.
    Patch patch("patch", Rect{5, 15, 10, 50}, Colour32{0, 255, 0, 255});
    form.add(&patch);

    form.render(surface->driver);
    // The half-transparent frame lies over the opaque first outline: both were drawn, in that order.
    Pixel edge = at(39, 40);
    EXPECT_NEAR(edge.r, 127, 1);
    EXPECT_EQ(edge.g, 0);
    EXPECT_NEAR(edge.b, 128, 1);
    EXPECT_EQ(at(25, 20), edge);
    EXPECT_EQ(at(25, 59), edge);
    EXPECT_EQ(at(25, 40), Black);
    EXPECT_EQ(at(10, 40), Green) << "children come last";

    surface->clear();
    form.setDrawFrame(0);
    form.render(surface->driver);
    EXPECT_EQ(at(39, 40), Red);
    EXPECT_EQ(at(25, 20), Red);
    EXPECT_EQ(at(25, 40), Black);
}

TEST_F(Controls, AHiddenFormDrawsNothingNotEvenItsChildren)
{
    Form form("form");
    form.setPosition(Point{10, 20});
    form.setSize(UI::Size{30, 40});
    form.setColour(Colour32{255, 0, 0, 255});
    form.setFrameColour(Colour32{0, 0, 255, 255});
    RenderableControl child(&form, "child", nullptr, Colour32{0, 255, 0, 255}, 5, 5, 10, 10);
    child.setDrawBorder(1);
    Patch patch("patch", Rect{0, 0, 256, 256}, Colour32{0, 255, 0, 255});
    form.add(&child);
    form.add(&patch);

    form.setVisible(false);
    form.render(surface->driver);
    for (auto [x, y] : {std::pair{10, 20}, {39, 59}, {15, 25}, {0, 0}, {128, 128}})
        EXPECT_EQ(at(x, y), Black) << x << ", " << y;
}

TEST_F(Controls, AControlsBorderIsDrawnOverItsChildrenOnlyWhenTheFlagIsOne)
{
    RenderableControl control(nullptr, "control", nullptr, Colour32{0, 0, 255, 255}, 10, 20, 30, 40);
    control.setBorderColour(Colour32{255, 0, 0, 255});
    Patch patch("patch", Rect{5, 15, 40, 50}, Colour32{0, 255, 0, 255});
    control.add(&patch);

    control.setDrawBorder(1);
    control.render(surface->driver);
    for (auto [x, y] : {std::pair{10, 20}, {39, 20}, {10, 59}, {39, 59}, {25, 20}, {10, 40}})
        EXPECT_EQ(at(x, y), Red) << x << ", " << y;
    EXPECT_EQ(at(25, 40), Green);
    EXPECT_EQ(at(9, 40), Green);

    for (int flag : {0, 2}) {
        surface->clear();
        control.setDrawBorder(flag);
        control.render(surface->driver);
        EXPECT_EQ(at(10, 20), Green) << "flag " << flag;
        EXPECT_EQ(at(39, 59), Green) << "flag " << flag;
    }
}
