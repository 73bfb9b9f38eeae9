// Interim: the scene is built by the forest work; until then the form only clears the screen.
#include "scene/Forest.h"

#include "engine/GLDriver.h"

namespace System::Windows {

Forest::Forest(int x, int y, int width, int height) : Form("forest")
{
    position.x = x;
    position.y = y;
    size.width = width;
    size.height = height;
}

Forest::~Forest() = default;

void Forest::render(GLDriver& driver)
{
    driver.clearColour();
}

void Forest::prepare(GLDriver&)
{
}

void Forest::update(double seconds)
{
    elapsed += static_cast<float>(seconds);
    if (elapsed > armDelay)
        armed = true;
}

void Forest::mouseMove(Types::Point)
{
}

void Forest::keyReleased(unsigned long, char)
{
}

} // namespace System::Windows
