// Interim: texture upload comes with the texture work.
#include "engine/GLDriver.h"

namespace System {

void GLDriver::upload(Texture&)
{
}

unsigned int GLDriver::checkError(Texture&)
{
    return 0;
}

} // namespace System
