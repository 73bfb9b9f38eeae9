#include "engine/ui/Form.h"

#include "DrawingSurface.h"

#include <gtest/gtest.h>

#include <memory>

using namespace System;
using System::UI::Form;
using System::UI::RenderableControl;

namespace {

// A child that paints a solid green rectangle.
class Patch : public Object {
public:
    Patch(const std::string& name, Rect area) : Object(name), area(area) {}
    void render(GLDriver& driver) override { driver.drawQuad(area, nullptr, Colour32{0, 255, 0, 255}); }
    Rect area;
};

class ControlDrawing : public SurfaceTest {
protected:
    void SetUp() override
    {
        SurfaceTest::SetUp();
        form.setPosition(Point{10, 20});
        form.setSize(UI::Size{30, 40});
        form.setColour(Colour32{255, 0, 0, 255});
        form.setFrameColour(Colour32{0, 0, 255, 128});
    }

    Form form{"form"};
};

} // namespace

TEST_F(ControlDrawing, AFormOutlinesItselfThenItsFrameThenDrawsItsChildren)
{
    Patch leftEdge("patch", Rect{5, 15, 10, 50});
    form.add(&leftEdge);
    form.render(surface->driver);
    // The half-transparent frame lies over the opaque first outline: both drawn, in that order.
    Pixel edge = at(39, 40);
    EXPECT_NEAR(edge.r, 127, 1);
    EXPECT_NEAR(edge.b, 128, 1);
    EXPECT_EQ(at(25, 20), edge);
    EXPECT_EQ(at(25, 59), edge);
    EXPECT_EQ(at(25, 40), Black);
    EXPECT_EQ(at(10, 40), Green) << "children come last";

    surface->clear();
    form.setDrawFrame(0);
    form.render(surface->driver);
    EXPECT_EQ(at(39, 40), Red);
    EXPECT_EQ(at(25, 40), Black);
}

TEST_F(ControlDrawing, AHiddenFormDrawsNothingNotEvenItsChildren)
{
    RenderableControl child(&form, "child", nullptr, Colour32{0, 255, 0, 255}, 5, 5, 10, 10);
    child.setDrawBorder(1);
    Patch everywhere("patch", Rect{0, 0, 256, 256});
    form.add(&child);
    form.add(&everywhere);
    form.setVisible(false);
    form.render(surface->driver);
    for (auto [x, y] : {std::pair{10, 20}, {39, 59}, {15, 25}, {128, 128}})
        EXPECT_EQ(at(x, y), Black) << x << ", " << y;
}

TEST_F(ControlDrawing, AControlsBorderIsDrawnOverItsChildrenWhenTheFlagIsOne)
{
    RenderableControl control(nullptr, "control", nullptr, Colour32{0, 0, 255, 255}, 10, 20, 30, 40);
    control.setBorderColour(Colour32{255, 0, 0, 255});
    Patch cover("patch", Rect{5, 15, 40, 50});
    control.add(&cover);
    for (int flag : {1, 0, 2}) {
        surface->clear();
        control.setDrawBorder(flag);
        control.render(surface->driver);
        for (auto [x, y] : {std::pair{10, 20}, {39, 20}, {10, 59}, {39, 59}})
            EXPECT_EQ(at(x, y), flag == 1 ? Red : Green) << "flag " << flag << " at " << x << ", " << y;
        EXPECT_EQ(at(25, 40), Green);
    }
}
