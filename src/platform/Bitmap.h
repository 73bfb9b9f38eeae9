#pragma once
// Bitmap resources (type "BITMAP"): uncompressed 24-bit BMP files, or the same without the 14-byte
// file header (a packed DIB, as Windows keeps them), decoded to RGB.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace System::Platform {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // rows top to bottom, 3 bytes a pixel, no padding
};

// False when the bytes are not a whole uncompressed 24-bit bitmap; nothing past size is read.
bool decodeBitmap(const unsigned char* data, std::size_t size, Bitmap& out);
// Bitmap resource id; false when it is missing or cannot be decoded.
bool loadBitmap(unsigned id, Bitmap& out);

} // namespace System::Platform
