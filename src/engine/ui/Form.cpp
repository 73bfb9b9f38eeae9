#include "engine/ui/Form.h"

#include "engine/GLDriver.h"

namespace System::UI {

namespace {
Types::Colour32 grey()
{
    Types::Colour32 colour;
    colour.r = colour.g = colour.b = 100;
    colour.a = 255;
    return colour;
}
} // namespace

Form::Form(const std::string& name)
    : RenderableControl(nullptr, name, nullptr, Types::Colour32{0, 0, 0, 255}, 0, 0, 0, 0)
{
    colour = grey();
    frameColour = grey();
    drawFrame = 1;
    background = nullptr;
}

Form::~Form() = default;

void Form::setVisible(bool value)
{
    visible = value ? 1 : 0;
    if (value)
        shown();
    else
        hidden();
}

unsigned char Form::getAlpha()
{
    return colour.a;
}

void Form::setAlpha(unsigned char alpha)
{
    colour.a = alpha;
    frameColour.a = alpha;
    for (auto& child : children) {
        if (auto* control = dynamic_cast<RenderableControl*>(child.second)) {
            Types::Colour32 tinted = control->getColour();
            tinted.a = alpha;
            control->setColour(tinted);
        }
    }
}

void Form::render(GLDriver& driver)
{
    if (!visible)
        return;
    if (background)
        driver.drawQuad(bounds(), background, colour);
    else
        driver.drawOutline(bounds(), colour);
    if (drawFrame == 1)
        driver.drawOutline(bounds(), frameColour);
    Object::render(driver);
}

void Form::prepare(GLDriver& driver)
{
    if (background)
        driver.upload(*background);
    RenderableControl::prepare(driver);
}

} // namespace System::UI
