#pragma once
// Shared by the Win32 backend files only: the Windows headers and a few helpers.
#include <windows.h>

#include <cstdint>

#include <string>

namespace System::Platform::Win32 {

inline HWND toWindow(std::uintptr_t handle)
{
    return reinterpret_cast<HWND>(handle);
}

inline std::uintptr_t fromWindow(HWND window)
{
    return reinterpret_cast<std::uintptr_t>(window);
}

// The text of a Windows error code, without the trailing line break.
std::string errorText(DWORD code);

} // namespace System::Platform::Win32
