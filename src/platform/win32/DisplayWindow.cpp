// Win32 platform layer: the display window (window class "OpenGL", CreateWindowExA) and its OpenGL
// context through WGL (ChoosePixelFormat, SetPixelFormat, DescribePixelFormat, wglCreateContext,
// wglMakeCurrent, SwapBuffers, wglGetProcAddress, WGL_ARB_extensions_string).
// The window procedure turns WM_ACTIVATE, WM_CLOSE and WM_SIZE into the platform's messages, swallows
// key messages (DirectInput reads the keyboard) and refuses SC_SCREENSAVE while the saver runs; it
// lets SC_MONITORPOWER through, so the power plan can turn the monitor off, and takes the display's
// power state and the power source from WM_POWERBROADCAST (see Power.cpp). Vsync is asked of WGL_EXT_swap_control and the refresh rate of EnumDisplaySettingsA for
// the monitor showing the window; the engine paces the frames itself.
// Sizes and positions are physical pixels on every monitor (the manifest makes the process
// per-monitor DPI aware), so no DPI change resizes the window.
// Limits: one GL context per window.
// Depends on: USER32, GDI32, OPENGL32.
#include "platform/DisplayWindow.h"

#include "platform/Clock.h"
#include "platform/win32/PowerState.h"
#include "platform/win32/WindowTable.h"

#include <GL/gl.h>

#include <map>

namespace System::Platform {

namespace Win32 {

namespace {
std::map<HWND, TableEntry>& table()
{
    static std::map<HWND, TableEntry> windows;
    return windows;
}
} // namespace

const TableEntry* findWindow(HWND window)
{
    auto found = table().find(window);
    return found == table().end() ? nullptr : &found->second;
}

const TableEntry* findWindowById(std::uint32_t id)
{
    for (const auto& entry : table())
        if (entry.second.id == id)
            return &entry.second;
    return nullptr;
}

} // namespace Win32

namespace {

const char* const className = "OpenGL";
std::string g_lastError;
std::uint32_t g_nextId = 1;
int g_classUsers = 0;

void post(HWND window, WindowMessage what, int a, int b)
{
    const Win32::TableEntry* entry = Win32::findWindow(window);
    if (entry && entry->procedure)
        entry->procedure(what, a, b);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        post(window, WindowMessage::Activate, LOWORD(wParam) != WA_INACTIVE ? 1 : 0, 0);
        break;
    case WM_CLOSE:
        post(window, WindowMessage::Close, 0, 0);
        return 0;
    case WM_SIZE:
        post(window, WindowMessage::Size, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        return 0;
    case WM_DPICHANGED:
        // The process is per-monitor aware (its manifest): positions and sizes are physical pixels,
        // and the window stays over the pixels it was placed on. The suggested rectangle would scale
        // it to the monitor's new DPI, off the monitors it covers.
        return 0;
    case WM_SYSCOMMAND:
        // Another screen saver may not start over this one; the monitor may always power down.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE)
            return 0;
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_POWERSETTINGCHANGE && Win32::notePowerSetting(lParam))
            return TRUE;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32DisplayWindow : public DisplayWindow {
public:
    Win32DisplayWindow(HWND window, bool owned) : window(window), owned(owned), dc(GetDC(window)), number(g_nextId++)
    {
        if (owned) {
            Win32::registerPowerSettings(window);
            Win32::startPowerHook(window);
        }
    }
    ~Win32DisplayWindow() override
    {
        if (dc)
            ReleaseDC(window, dc);
        if (owned) {
            Win32::stopPowerHook();
            Win32::forgetPowerSettings(window);
            Win32::table().erase(window);
            DestroyWindow(window);
            if (--g_classUsers == 0)
                UnregisterClassA(className, GetModuleHandleA(nullptr));
        }
    }

    NativeHandle handle() const override { return Win32::fromWindow(window); }
    std::uint32_t id() const override { return number; }
    void show() override
    {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        SetFocus(window);
    }
    void clientSize(int& width, int& height) const override
    {
        RECT rect{};
        GetClientRect(window, &rect);
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
    }
    bool isShown() const override { return IsWindowVisible(window) && !IsIconic(window); }

    HDC deviceContext() const { return dc; }
    HWND windowHandle() const { return window; }
    bool vsyncTried = false;
    bool vsync = false;

private:
    HWND window;
    bool owned;
    HDC dc;
    std::uint32_t number;
};

HDC hdcOf(DeviceContext dc)
{
    return dc ? static_cast<Win32DisplayWindow*>(dc)->deviceContext() : nullptr;
}

bool registerClass()
{
    if (g_classUsers > 0)
        return true;
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIcon(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className;
    return RegisterClassA(&windowClass) != 0;
}

typedef BOOL(WINAPI* SwapIntervalProc)(int);
typedef const char*(WINAPI* ExtensionsStringProc)(HDC);

// WGL hands out every entry point as a PROC; the caller knows its real type.
template <typename Function>
Function wglEntry(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

} // namespace

std::unique_ptr<DisplayWindow> DisplayWindow::create(const WindowSpec& spec, WindowProcedure procedure)
{
    if (!registerClass()) {
        g_lastError = "Failed To Register The Window Class: " + Win32::errorText(GetLastError());
        return nullptr;
    }
    ++g_classUsers;
    if (spec.coversMonitors) {
        // Across the monitors at their current modes: a borderless window above the others.
        HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TOPMOST, className, spec.title.c_str(),
                                      WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, spec.x, spec.y, spec.width,
                                      spec.height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window) {
            g_lastError = "Window Creation Error: " + Win32::errorText(GetLastError());
            if (--g_classUsers == 0)
                UnregisterClassA(className, GetModuleHandleA(nullptr));
            return nullptr;
        }
        auto result = std::make_unique<Win32DisplayWindow>(window, true);
        Win32::table()[window] = Win32::TableEntry{result->id(), std::move(procedure)};
        return result;
    }
    DWORD exStyle = spec.fullScreen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    DWORD style = spec.fullScreen || !spec.bordered ? WS_POPUP : WS_OVERLAPPEDWINDOW;
    if (spec.fullScreen)
        style |= WS_VISIBLE;
    // The rectangle's right and bottom are the size; once adjusted for the frame, its edges are
    // passed as position and size, as the saver has always done (nothing changes in full screen).
    RECT rect{spec.x, spec.y, spec.width, spec.height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    HWND window = CreateWindowExA(exStyle, className, spec.title.c_str(), style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  rect.left, rect.top, rect.right, rect.bottom, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        g_lastError = "Window Creation Error: " + Win32::errorText(GetLastError());
        if (--g_classUsers == 0)
            UnregisterClassA(className, GetModuleHandleA(nullptr));
        return nullptr;
    }
    auto result = std::make_unique<Win32DisplayWindow>(window, true);
    Win32::table()[window] = Win32::TableEntry{result->id(), std::move(procedure)};
    return result;
}

std::unique_ptr<DisplayWindow> DisplayWindow::adopt(NativeHandle foreign, const ContextWishes&)
{
    HWND window = Win32::toWindow(foreign);
    if (!IsWindow(window)) {
        g_lastError = "Not a window: " + std::to_string(foreign);
        return nullptr;
    }
    return std::make_unique<Win32DisplayWindow>(window, false);
}

std::string DisplayWindow::lastError()
{
    return g_lastError;
}

namespace {

// WGL's steps to a context: a pixel format for the wishes, set on the window's DC (once in its
// life), described, then the context itself.
ContextMade makeContext(HDC hdc, const ContextWishes& wishes)
{
    ContextMade made;
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(wishes.colourBits);
    descriptor.cDepthBits = static_cast<BYTE>(wishes.depthBits);
    descriptor.cStencilBits = static_cast<BYTE>(wishes.stencilBits);
    const int format = hdc ? ChoosePixelFormat(hdc, &descriptor) : 0;
    if (format == 0) {
        made.failure = ContextFailure::NoPixelFormat;
        return made;
    }
    PIXELFORMATDESCRIPTOR chosen{};
    DescribePixelFormat(hdc, format, sizeof chosen, &chosen);
    if (SetPixelFormat(hdc, format, &chosen) == FALSE) {
        made.failure = ContextFailure::PixelFormatRefused;
        return made;
    }
    made.software = (chosen.dwFlags & PFD_GENERIC_FORMAT) != 0;
    made.partlyAccelerated = (chosen.dwFlags & PFD_GENERIC_ACCELERATED) != 0;
    HGLRC context = wglCreateContext(hdc);
    if (!context || wglMakeCurrent(hdc, context) == FALSE) {
        if (context)
            wglDeleteContext(context);
        made.failure = ContextFailure::NoContext;
        return made;
    }
    made.context = static_cast<GLContextHandle>(context);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    made.renderer = renderer ? renderer : "";
    return made;
}

} // namespace

ContextMade createContext(DeviceContext dc, const ContextWishes& wishes)
{
    return makeContext(hdcOf(dc), wishes);
}

void deleteContext(GLContextHandle context)
{
    if (!context)
        return;
    if (wglGetCurrentContext() == static_cast<HGLRC>(context))
        wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(static_cast<HGLRC>(context));
}

bool enableVsync(DeviceContext dc)
{
    if (!dc)
        return false;
    auto* window = static_cast<Win32DisplayWindow*>(dc);
    // The interval belongs to the current context; asked once, as the answer will not change.
    if (!window->vsyncTried) {
        window->vsyncTried = true;
        auto swapInterval = wglEntry<SwapIntervalProc>("wglSwapIntervalEXT");
        window->vsync = swapInterval && swapInterval(1) != FALSE;
    }
    return window->vsync;
}

int refreshRate(DeviceContext dc)
{
    if (!dc)
        return 0;
    HMONITOR monitor = MonitorFromWindow(static_cast<Win32DisplayWindow*>(dc)->windowHandle(),
                                         MONITOR_DEFAULTTOPRIMARY);
    MONITORINFOEXA info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoA(monitor, &info))
        return 0;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(info.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        return 0;
    // 0 and 1 stand for the hardware's default rate, which Windows does not tell.
    return mode.dmDisplayFrequency > 1 ? static_cast<int>(mode.dmDisplayFrequency) : 0;
}

void swapBuffers(DeviceContext dc)
{
    HDC hdc = hdcOf(dc);
    if (hdc)
        SwapBuffers(hdc);
}

void* glProcAddress(const char* name)
{
    void* entry = reinterpret_cast<void*>(wglGetProcAddress(name));
    // wglGetProcAddress answers only for functions past OpenGL 1.1 (some drivers return 1, 2, 3 or -1
    // for a miss); the rest come from opengl32.dll itself.
    auto value = reinterpret_cast<std::intptr_t>(entry);
    if (value >= -1 && value <= 3)
        entry = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name));
    return entry;
}

const char* windowSystemExtensions(DeviceContext dc)
{
    auto extensions = wglEntry<ExtensionsStringProc>("wglGetExtensionsStringARB");
    return extensions && dc ? extensions(hdcOf(dc)) : nullptr;
}

} // namespace System::Platform
