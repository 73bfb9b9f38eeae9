// Win32 platform layer: the cursor's display counter is Windows' own (ShowCursor).
// Depends on: USER32.
#include "platform/Cursor.h"

#include "platform/win32/Win32.h"

namespace System::Platform {

int showCursor(bool show)
{
    return ShowCursor(show ? TRUE : FALSE);
}

} // namespace System::Platform
