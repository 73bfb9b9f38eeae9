// Interim: font display lists and text drawing come with the font work.
#include "engine/GLDriver.h"

namespace System {

void GLDriver::buildFont(Font&)
{
}

void GLDriver::drawText(float, float, Font&, const std::string&)
{
}

void GLDriver::drawColouredText(float, float, float, float, float, float, Font&, const std::string&)
{
}

} // namespace System
