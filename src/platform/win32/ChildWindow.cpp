// Win32 platform layer: the preview's child window (class "ScrClass") inside the screen-saver host's
// window, its message loop (GetMessageA, DispatchMessageA) and pictures copied into it with StretchBlt
// from a memory device context. An exception the procedure throws is caught in the window procedure
// (it cannot cross Windows' own frames), the window is taken down, and create or dispatch rethrows it.
// The host's window is measured and the child made and measured in the host window's DPI awareness:
// the child then shares its host's coordinates and fills it whatever either program's scaling.
// Depends on: USER32, GDI32.
#include "platform/ChildWindow.h"

#include "platform/Bitmap.h"
#include "platform/win32/Win32.h"

#include <exception>

namespace System::Platform {

namespace {

const char* const className = "ScrClass";

class Win32Image : public CompatibleImage {
public:
    Win32Image(HDC memory, HBITMAP bitmap) : memory(memory), bitmap(bitmap), previous(SelectObject(memory, bitmap)) {}
    ~Win32Image() override
    {
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

class Win32ChildWindow;
// Set while CreateWindowExA runs, before the window has its user data.
Win32ChildWindow* g_creating = nullptr;

class Win32ChildWindow : public ChildWindow {
public:
    explicit Win32ChildWindow(ChildWindowProcedure procedure) : procedure(std::move(procedure)) {}
    ~Win32ChildWindow() override
    {
        if (window && IsWindow(window)) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
    }

    NativeHandle handle() const override { return Win32::fromWindow(window); }
    void clientSize(int& width, int& height) const override
    {
        Win32::WindowDpiScope scope(window);
        RECT rect{};
        GetClientRect(window, &rect);
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
    }
    std::unique_ptr<CompatibleImage> createCompatibleImage(const Bitmap& picture) override
    {
        HDC windowDc = GetDC(window);
        if (!windowDc)
            return nullptr;
        HDC memory = CreateCompatibleDC(windowDc);
        HBITMAP bitmap = memory ? CreateCompatibleBitmap(windowDc, picture.width, picture.height) : nullptr;
        bool filled = false;
        if (bitmap) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = picture.width;
            info.bmiHeader.biHeight = -picture.height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = BI_RGB;
            std::size_t stride = (std::size_t(picture.width) * 3 + 3) & ~std::size_t(3);
            std::vector<unsigned char> bgr(stride * std::size_t(picture.height));
            for (int y = 0; y < picture.height; ++y)
                for (int x = 0; x < picture.width; ++x) {
                    const unsigned char* s = picture.rgb.data() + (std::size_t(y) * picture.width + x) * 3;
                    unsigned char* t = bgr.data() + stride * std::size_t(y) + std::size_t(x) * 3;
                    t[0] = s[2];
                    t[1] = s[1];
                    t[2] = s[0];
                }
            filled = SetDIBits(windowDc, bitmap, 0, UINT(picture.height), bgr.data(), &info, DIB_RGB_COLORS) ==
                     picture.height;
        }
        ReleaseDC(window, windowDc);
        if (!filled) {
            if (bitmap)
                DeleteObject(bitmap);
            if (memory)
                DeleteDC(memory);
            return nullptr;
        }
        return std::make_unique<Win32Image>(memory, bitmap);
    }
    void stretchBlit(int x, int y, int width, int height, const CompatibleImage& image, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight) override
    {
        HDC target = paintDc ? paintDc : GetDC(window);
        StretchBlt(target, x, y, width, height, static_cast<const Win32Image&>(image).memory, sourceX, sourceY,
                   sourceWidth, sourceHeight, SRCCOPY);
        if (!paintDc)
            ReleaseDC(window, target);
    }
    bool getMessage(ChildMessage& message) override
    {
        BOOL result = GetMessageA(&taken, nullptr, 0, 0);
        if (result <= 0)
            return false;
        message = taken.message == WM_PAINT ? ChildMessage::Paint
                  : taken.message == WM_DESTROY ? ChildMessage::Destroy
                                                : ChildMessage::Other;
        return true;
    }
    void dispatch(ChildMessage) override
    {
        TranslateMessage(&taken);
        DispatchMessageA(&taken);
        rethrow();
    }
    void postQuit(int exitCode) override { PostQuitMessage(exitCode); }

    void rethrow()
    {
        if (!failure)
            return;
        std::exception_ptr thrown = failure;
        failure = nullptr;
        if (window && IsWindow(window)) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
        window = nullptr;
        std::rethrow_exception(thrown);
    }

    // Runs the procedure; false when it threw (kept for rethrow).
    bool run(ChildMessage message)
    {
        try {
            procedure(*this, message);
            return true;
        } catch (...) {
            failure = std::current_exception();
            return false;
        }
    }

    HWND window = nullptr;
    HDC paintDc = nullptr;
    MSG taken{};
    std::exception_ptr failure;
    ChildWindowProcedure procedure;
};

LRESULT CALLBACK childProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32ChildWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self && message == WM_CREATE && g_creating) {
        self = g_creating;
        self->window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        return self->run(ChildMessage::Create) ? 0 : -1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        self->paintDc = BeginPaint(window, &paint);
        self->run(ChildMessage::Paint);
        EndPaint(window, &paint);
        self->paintDc = nullptr;
        return 0;
    }
    case WM_DESTROY:
        self->run(ChildMessage::Destroy);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

std::unique_ptr<ChildWindow> ChildWindow::create(NativeHandle parent, const ChildWindowSpec& spec,
                                                 ChildWindowProcedure procedure)
{
    HWND parentWindow = Win32::toWindow(parent);
    if (!parentWindow || !IsWindow(parentWindow))
        return nullptr;
    // A host's preview area is a window of another program. The desktop window would have the
    // preview cover the whole screen with nobody to end it, and a window of this process is no host.
    DWORD owner = 0;
    GetWindowThreadProcessId(parentWindow, &owner);
    if (parentWindow == GetDesktopWindow() || owner == 0 || owner == GetCurrentProcessId())
        return nullptr;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = childProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);  // fails harmlessly when already registered

    auto child = std::make_unique<Win32ChildWindow>(std::move(procedure));
    Win32::WindowDpiScope scope(parentWindow);
    g_creating = child.get();
    HWND window = CreateWindowExA(0, className, spec.title.c_str(), WS_CHILD | WS_VISIBLE, spec.x, spec.y,
                                  spec.width, spec.height, parentWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    g_creating = nullptr;
    if (!window) {
        child->window = nullptr;
        child->rethrow();
        return nullptr;
    }
    child->window = window;
    // Paints at once: Wine does not always queue the first WM_PAINT of a child of another process's
    // window.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    child->rethrow();
    return child;
}

bool windowSize(NativeHandle window, int& width, int& height)
{
    HWND handle = Win32::toWindow(window);
    if (!handle || !IsWindow(handle))
        return false;
    Win32::WindowDpiScope scope(handle);
    RECT rect{};
    if (!GetClientRect(handle, &rect))
        return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
}

} // namespace System::Platform
