#pragma once
// Shared by the Win32 backend files only: a picture decoded by stb_image.
#include <cstddef>
#include <memory>
#include <vector>

namespace System::Platform::Win32 {

struct StbPicture {
    int width = 0;
    int height = 0;
    int channels = 0;  // 1 luminance, 2 luminance-alpha, 3 RGB, 4 RGBA
    std::vector<unsigned char> pixels;  // rows bottom row first
};

// Null when the bytes are not one complete PNG or JPEG file, declare a side over 16384 or more than
// 2^26 pixels, or cannot be decoded.
std::unique_ptr<StbPicture> decodePicture(const unsigned char* data, std::size_t size);

} // namespace System::Platform::Win32
