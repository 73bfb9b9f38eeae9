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

// The dots per inch a window is drawn at: its monitor's under per-monitor awareness (GetDpiForWindow,
// Windows 10 1607 and later), else the screen's LOGPIXELSX. 96 is 100 % scaling.
unsigned windowDpi(HWND window);

// Runs the calling thread in a window's DPI awareness while it lives, so sizes read from and given to
// that window are in its own coordinates, also for a window of another process with another awareness.
// Does nothing where Windows has no per-thread awareness (before Windows 10 1607).
class WindowDpiScope {
public:
    explicit WindowDpiScope(HWND window);
    ~WindowDpiScope();
    WindowDpiScope(const WindowDpiScope&) = delete;
    WindowDpiScope& operator=(const WindowDpiScope&) = delete;

private:
    DPI_AWARENESS_CONTEXT previous = nullptr;
};

} // namespace System::Platform::Win32
