// Shared by every backend: the one list of software renderers, read by the backends where they
// describe a context and by the engine's frame pacer.
#include "platform/Renderer.h"

#include <cstring>
#include <initializer_list>

namespace System::Platform {

bool isSoftwareRenderer(const char* renderer)
{
    if (!renderer)
        return false;
    for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast", "SWR"})
        if (std::strstr(renderer, name))
            return true;
    return false;
}

} // namespace System::Platform
