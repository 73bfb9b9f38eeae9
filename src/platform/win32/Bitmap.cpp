// Win32 platform layer: bitmap resources. loadBitmap goes through LoadBitmapA and reads the pixels
// back with GetDIBits; decodeBitmap reads uncompressed 24-bit bitmaps from bytes (with or without the
// 14-byte file header), checking every offset against the size first and refusing sides over 16384.
// Depends on: USER32, GDI32.
#include "platform/Bitmap.h"

#include "platform/win32/Win32.h"

#include <cstring>

namespace System::Platform {

namespace {
constexpr std::size_t fileHeaderSize = 14;
constexpr std::int64_t largestSide = 16384;

std::uint32_t u16(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}
std::uint32_t u32(const unsigned char* p)
{
    return u16(p) | (u16(p + 2) << 16);
}
} // namespace

bool decodeBitmap(const unsigned char* data, std::size_t size, Bitmap& out)
{
    if (!data)
        return false;
    std::size_t infoAt = 0;
    std::size_t pixelsAt = 0;
    bool fileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    if (fileHeader) {
        if (size < fileHeaderSize + 12)
            return false;
        infoAt = fileHeaderSize;
        pixelsAt = u32(data + 10);
    }
    if (size - infoAt < 12)
        return false;
    std::uint32_t headerSize = u32(data + infoAt);
    std::int64_t width, height;
    std::uint32_t bits, compression = 0, colours = 0;
    if (headerSize == 12) {
        width = u16(data + infoAt + 4);
        height = static_cast<std::int16_t>(u16(data + infoAt + 6));
        bits = u16(data + infoAt + 10);
    } else if (headerSize >= 40 && size - infoAt >= headerSize) {
        width = static_cast<std::int32_t>(u32(data + infoAt + 4));
        height = static_cast<std::int32_t>(u32(data + infoAt + 8));
        bits = u16(data + infoAt + 14);
        compression = u32(data + infoAt + 16);
        colours = u32(data + infoAt + 32);
    } else {
        return false;
    }
    if (u16(data + infoAt + (headerSize == 12 ? 8 : 12)) != 1 || bits != 24 || compression != 0)
        return false;
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > largestSide || height > largestSide)
        return false;
    // Without the file header the rows follow the header and its colour table, if it has one.
    if (!fileHeader) {
        if (colours > size / 4)
            return false;
        pixelsAt = infoAt + headerSize + std::size_t(colours) * 4;
    }
    std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    // The last row needs its pixels, not its padding; rows never start inside the headers.
    std::size_t needed = stride * std::size_t(height - 1) + std::size_t(width) * 3;
    if (pixelsAt < infoAt + headerSize || pixelsAt > size || size - pixelsAt < needed)
        return false;
    Bitmap result;
    result.width = int(width);
    result.height = int(height);
    result.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    for (std::int64_t row = 0; row < height; ++row) {
        const unsigned char* source = data + pixelsAt + stride * std::size_t(topDown ? row : height - 1 - row);
        unsigned char* target = result.rgb.data() + std::size_t(row) * std::size_t(width) * 3;
        for (std::int64_t x = 0; x < width; ++x) {
            target[x * 3] = source[x * 3 + 2];
            target[x * 3 + 1] = source[x * 3 + 1];
            target[x * 3 + 2] = source[x * 3];
        }
    }
    out = std::move(result);
    return true;
}

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
