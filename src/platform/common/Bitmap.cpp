// The BMP decoder of every backend. Only uncompressed 24-bit bitmaps with an INFO-family or CORE
// header are read (the CORE header's sides are unsigned, its rows always bottom-up); every offset is
// checked against the size before use. Sides above 16384 pixels are refused so a corrupt header
// cannot ask for gigabytes.
#include "platform/Bitmap.h"

#include <utility>

namespace System::Platform {

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::int64_t largestSide = 16384;

std::uint32_t u16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t u32(const unsigned char* p)
{
    return u16(p) | u16(p + 2) << 16;
}

std::int32_t s32(const unsigned char* p)
{
    return static_cast<std::int32_t>(u32(p));
}

} // namespace

bool decodeBitmap(const unsigned char* data, std::size_t size, Bitmap& out)
{
    if (!data)
        return false;
    std::size_t header = 0;      // where the info header starts
    std::uint64_t pixels = 0;    // where the rows start; 0 until known
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < fileHeaderSize + 4)
            return false;
        header = fileHeaderSize;
        pixels = u32(data + 10);
    }
    if (size - header < 4)
        return false;
    std::uint32_t infoSize = u32(data + header);
    if (infoSize > size - header)
        return false;

    std::int64_t width = 0, height = 0;
    std::uint32_t planes = 0, bits = 0, colours = 0;
    if (infoSize == 12) {
        width = u16(data + header + 4);
        height = u16(data + header + 6);
        planes = u16(data + header + 8);
        bits = u16(data + header + 10);
    } else if (infoSize >= 40) {
        width = s32(data + header + 4);
        height = s32(data + header + 8);
        planes = u16(data + header + 12);
        bits = u16(data + header + 14);
        if (u32(data + header + 16) != 0)  // compression: only BI_RGB
            return false;
        colours = u32(data + header + 32);
    } else {
        return false;
    }
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (planes != 1 || bits != 24 || width <= 0 || height <= 0 || width > largestSide ||
        height > largestSide)
        return false;
    if (pixels == 0)  // a packed DIB: the rows follow the header and any colour table
        pixels = static_cast<std::uint64_t>(header) + infoSize + std::uint64_t(colours) * 4;

    std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3;
    std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t(3);
    // The last row's padding may be missing; its pixels may not.
    std::uint64_t needed = pixels + stride * static_cast<std::uint64_t>(height - 1) + rowBytes;
    if (pixels < header + infoSize || needed > size)
        return false;

    Bitmap result;
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    result.rgb.resize(static_cast<std::size_t>(rowBytes * height));
    for (std::int64_t row = 0; row < height; ++row) {
        std::int64_t sourceRow = topDown ? row : height - 1 - row;
        const unsigned char* in = data + pixels + stride * sourceRow;
        std::uint8_t* to = result.rgb.data() + rowBytes * row;
        for (std::int64_t x = 0; x < width; ++x, in += 3, to += 3) {
            to[0] = in[2];
            to[1] = in[1];
            to[2] = in[0];
        }
    }
    out = std::move(result);
    return true;
}

} // namespace System::Platform
