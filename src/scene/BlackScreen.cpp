#include "scene/BlackScreen.h"

#include "engine/GLDriver.h"
#include "engine/ResourceManager.h"

namespace System::Windows {

namespace {

Types::Colour32 colour32(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
{
    Types::Colour32 colour;
    colour.r = r;
    colour.g = g;
    colour.b = b;
    colour.a = a;
    return colour;
}

} // namespace

BlackScreen::BlackScreen() : RenderableControl(nullptr, "BlackScreen", nullptr, colour32(10, 10, 100, 200), 0, 0, 0, 0)
{
    setColour(colour32(30, 30, 200, 255));
}

void BlackScreen::render(GLDriver&)
{
}

void BlackScreen::prepare(GLDriver& driver)
{
    texture = ResourceManager::instance().createTexture("black", 1024, 1024, colour32(0, 0, 0, 255));
    driver.upload(*texture);
}

void BlackScreen::update(double)
{
}

} // namespace System::Windows
