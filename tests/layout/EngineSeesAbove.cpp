// Compiled with the engine floor's include path: a header of the scene floor above must not be found.
#include "engine/Texture.h"
#include "scene/Forest.h"

int floorProbeAbove()
{
    return 0;
}
