// Linux platform layer: the cursor display counter over SDL2 (the cursor hides over our windows).
// Depends on: SDL2.
#include "platform/Cursor.h"

#include "platform/linux/SdlVideo.h"

namespace System::Platform {

namespace {
int g_counter = 0;
}

int showCursor(bool show)
{
    g_counter += show ? 1 : -1;
    if (Linux::videoReady())
        SDL_ShowCursor(g_counter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_counter;
}

} // namespace System::Platform
