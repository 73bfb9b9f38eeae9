// Win32 platform layer: PNG and JPEG pictures decoded with stb_image (Debian's libstb-dev, compiled in
// here; only its PNG and JPEG decoders). Before decoding, the file must be whole: every PNG chunk from
// IHDR to IEND inside the bytes, every JPEG segment inside them and the scan ending in EOI, because
// stb_image would otherwise turn a cut-off JPEG into a picture with a grey bottom. Sides over 16384 or
// more than 2^26 pixels are refused before anything is allocated for them.
// Depends on: stb_image.
#include "platform/win32/StbPicture.h"

#include "platform/PictureFile.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <cstdint>
#include <cstring>

namespace System::Platform::Win32 {

namespace {

using PictureFile::MaxPixels;
using PictureFile::MaxSide;
using PictureFile::completeJpeg;
using PictureFile::completePng;

} // namespace

std::unique_ptr<StbPicture> decodePicture(const unsigned char* data, std::size_t size)
{
    if (!data || size > 0x7FFFFFFF || !(completePng(data, size) || completeJpeg(data, size)))
        return nullptr;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, int(size), &width, &height, &channels))
        return nullptr;
    if (width <= 0 || height <= 0 || std::uint64_t(width) > MaxSide || std::uint64_t(height) > MaxSide ||
        std::uint64_t(width) * std::uint64_t(height) > MaxPixels)
        return nullptr;
    // Pictures are kept bottom row first, as GL takes them.
    stbi_set_flip_vertically_on_load(1);
    unsigned char* pixels = stbi_load_from_memory(data, int(size), &width, &height, &channels, 0);
    if (!pixels)
        return nullptr;
    auto picture = std::make_unique<StbPicture>();
    picture->width = width;
    picture->height = height;
    picture->channels = channels;
    picture->pixels.assign(pixels, pixels + std::size_t(width) * std::size_t(height) * std::size_t(channels));
    stbi_image_free(pixels);
    return picture;
}

} // namespace System::Platform::Win32
