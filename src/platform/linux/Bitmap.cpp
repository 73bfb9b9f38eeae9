// Bitmap resources on Linux: the BMP bytes embedded by the resource bundle, decoded by the shared
// decoder (Windows would use LoadBitmap).
// Depends on: nothing beyond the resource look-up.
#include "platform/Bitmap.h"

#include "platform/Resources.h"

namespace System::Platform {

bool loadBitmap(unsigned id, Bitmap& out)
{
    ResourceData resource = findResource(id, "BITMAP");
    return resource.data && decodeBitmap(resource.data, resource.size, out);
}

} // namespace System::Platform
