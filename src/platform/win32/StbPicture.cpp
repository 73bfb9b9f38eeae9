// Win32 platform layer: PNG and JPEG pictures decoded with stb_image (Debian's libstb-dev, compiled in
// here; only its PNG and JPEG decoders). Before decoding, the file must be whole: every PNG chunk from
// IHDR to IEND inside the bytes, every JPEG segment inside them and the scan ending in EOI, because
// stb_image would otherwise turn a cut-off JPEG into a picture with a grey bottom. Sides over 16384 or
// more than 2^26 pixels are refused before anything is allocated for them.
// Depends on: stb_image.
#include "platform/win32/StbPicture.h"

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

constexpr std::uint64_t MaxSide = 16384;
constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 26;

std::uint32_t bigEndian32(const unsigned char* at)
{
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) | (std::uint32_t(at[2]) << 8) |
           std::uint32_t(at[3]);
}

bool completePng(const unsigned char* data, std::size_t size)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < sizeof signature || std::memcmp(data, signature, sizeof signature) != 0)
        return false;
    std::size_t at = sizeof signature;
    bool first = true;
    while (size - at >= 12) {
        std::uint32_t length = bigEndian32(data + at);
        const unsigned char* type = data + at + 4;
        if (length > 0x7FFFFFFFu || size - at - 12 < length)
            return false;
        if (first && std::memcmp(type, "IHDR", 4) != 0)
            return false;
        first = false;
        at += 12 + std::size_t(length);
        if (std::memcmp(type, "IEND", 4) == 0)
            return true;
    }
    return false;
}

bool completeJpeg(const unsigned char* data, std::size_t size)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    std::size_t at = 2;
    for (;;) {
        if (at >= size || data[at] != 0xFF)
            return false;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            return false;
        unsigned char marker = data[at++];
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0x00 || marker == 0xD8 || size - at < 2)
            return false;
        std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
        if (length < 2 || size - at < length)
            return false;
        at += length;
        if (marker != 0xDA)
            continue;
        for (;;) {
            const void* found = at < size ? std::memchr(data + at, 0xFF, size - at) : nullptr;
            if (!found)
                return false;
            at = std::size_t(static_cast<const unsigned char*>(found) - data);
            if (at + 1 >= size)
                return false;
            unsigned char next = data[at + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                at += 2;
            else if (next == 0xFF)
                at += 1;
            else
                break;
        }
    }
}

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
