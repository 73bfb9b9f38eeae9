// Win32 platform layer: bitmap resources. loadBitmap goes through LoadBitmapA and reads the pixels
// back with GetDIBits (decodeBitmap is the shared decoder of common/Bitmap.cpp).
// Depends on: USER32, GDI32.
#include "platform/Bitmap.h"

#include "platform/win32/Win32.h"

#include <vector>

namespace System::Platform {

bool loadBitmap(unsigned id, Bitmap& out)
{
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    if (!bitmap)
        return false;
    BITMAP info{};
    bool ok = GetObjectA(bitmap, sizeof info, &info) == sizeof info && info.bmWidth > 0 && info.bmHeight > 0;
    if (ok) {
        BITMAPINFO request{};
        request.bmiHeader.biSize = sizeof request.bmiHeader;
        request.bmiHeader.biWidth = info.bmWidth;
        request.bmiHeader.biHeight = -info.bmHeight;  // rows top to bottom
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 24;
        request.bmiHeader.biCompression = BI_RGB;
        std::size_t stride = (std::size_t(info.bmWidth) * 3 + 3) & ~std::size_t(3);
        std::vector<std::uint8_t> bgr(stride * std::size_t(info.bmHeight));
        HDC screen = GetDC(nullptr);
        ok = GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), bgr.data(), &request, DIB_RGB_COLORS) == info.bmHeight;
        ReleaseDC(nullptr, screen);
        if (ok) {
            out.width = info.bmWidth;
            out.height = info.bmHeight;
            out.rgb.resize(std::size_t(info.bmWidth) * std::size_t(info.bmHeight) * 3);
            for (int y = 0; y < info.bmHeight; ++y)
                for (int x = 0; x < info.bmWidth; ++x) {
                    const std::uint8_t* s = bgr.data() + stride * std::size_t(y) + std::size_t(x) * 3;
                    std::uint8_t* t = out.rgb.data() + (std::size_t(y) * std::size_t(info.bmWidth) + std::size_t(x)) * 3;
                    t[0] = s[2];
                    t[1] = s[1];
                    t[2] = s[0];
                }
        }
    }
    DeleteObject(bitmap);
    return ok;
}

} // namespace System::Platform
