// Win32 platform layer: the executable's own resources (FindResource, LoadResource, LockResource,
// SizeofResource, LoadString). The resource script is generated from assets/manifest.txt; IMAGE and
// SOUND are custom types, BITMAP the standard bitmap type (a packed DIB: windres drops the file
// header). Locked resources are the mapped image of the executable and never move.
// Depends on: KERNEL32, USER32.
#include "platform/Resources.h"

#include "platform/win32/Win32.h"

#include <vector>

namespace System::Platform {

ResourceData findResource(unsigned id, const std::string& type)
{
    ResourceData result;
    HMODULE module = GetModuleHandleA(nullptr);
    LPCSTR typeName = type == "BITMAP" ? reinterpret_cast<LPCSTR>(RT_BITMAP) : type.c_str();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), typeName);
    if (!found)
        return result;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return result;
    result.data = static_cast<const unsigned char*>(LockResource(loaded));
    result.size = result.data ? SizeofResource(module, found) : 0;
    return result;
}

std::string loadStringResource(unsigned id, std::size_t bufferChars)
{
    if (bufferChars == 0)
        return std::string();
    std::vector<char> buffer(bufferChars, '\0');
    int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), static_cast<int>(bufferChars));
    return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string();
}

} // namespace System::Platform
