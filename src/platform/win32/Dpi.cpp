// Win32 platform layer: the DPI a window is drawn at and the thread's DPI awareness. The calls Windows
// 10 added (GetDpiForWindow, GetWindowDpiAwarenessContext, SetThreadDpiAwarenessContext) are looked up
// in user32 at run time, so the saver still starts on Windows 7 and 8.
// Depends on: USER32, GDI32.
#include "platform/win32/Win32.h"

namespace System::Platform::Win32 {

namespace {

template <typename Function>
Function user32Entry(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using DpiForWindowProc = UINT(WINAPI*)(HWND);
using WindowContextProc = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
using SetThreadContextProc = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

} // namespace

unsigned windowDpi(HWND window)
{
    static const auto dpiForWindow = user32Entry<DpiForWindowProc>("GetDpiForWindow");
    if (dpiForWindow && window) {
        if (UINT dpi = dpiForWindow(window))
            return dpi;
    }
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc)
        ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

WindowDpiScope::WindowDpiScope(HWND window)
{
    static const auto windowContext = user32Entry<WindowContextProc>("GetWindowDpiAwarenessContext");
    static const auto setThreadContext = user32Entry<SetThreadContextProc>("SetThreadDpiAwarenessContext");
    if (!windowContext || !setThreadContext || !window)
        return;
    if (DPI_AWARENESS_CONTEXT context = windowContext(window))
        previous = setThreadContext(context);
}

WindowDpiScope::~WindowDpiScope()
{
    static const auto setThreadContext = user32Entry<SetThreadContextProc>("SetThreadDpiAwarenessContext");
    if (previous && setThreadContext)
        setThreadContext(previous);
}

} // namespace System::Platform::Win32
