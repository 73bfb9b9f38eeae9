#include "engine/ui/RenderableControl.h"

#include "engine/GLDriver.h"

namespace System::UI {

RenderableControl::RenderableControl(RenderableControl* parent, const std::string& name, Font* font,
                                     Types::Colour32 colour, int x, int y, int width, int height)
    : Object(name), font(font), colour(colour), borderColour(colour), parent(parent)
{
    position.x = x;
    position.y = y;
    size.width = width;
    size.height = height;
}

RenderableControl::~RenderableControl() = default;

bool RenderableControl::isVisible()
{
    return visible != 0;
}

void RenderableControl::setVisible(bool value)
{
    visible = value ? 1 : 0;
}

Types::Point RenderableControl::absolutePosition() const
{
    if (!parent)
        return position;
    Types::Point base = parent->absolutePosition();
    base.x += position.x;
    base.y += position.y;
    return base;
}

Types::Rect RenderableControl::bounds() const
{
    Types::Point at = absolutePosition();
    Types::Rect rect;
    rect.x = at.x;
    rect.y = at.y;
    rect.width = size.width;
    rect.height = size.height;
    return rect;
}

void RenderableControl::render(GLDriver& driver)
{
    Object::render(driver);
    if (drawBorder == 1)
        driver.drawOutline(bounds(), borderColour);
}

void RenderableControl::prepare(GLDriver& driver)
{
    if (font)
        driver.buildFont(*font);
    Object::prepare(driver);
}

} // namespace System::UI
