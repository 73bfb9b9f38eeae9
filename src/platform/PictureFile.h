#pragma once
// Whether a PNG or JPEG file is whole, and the largest picture the program accepts: checked before a
// backend's decoder sees the bytes, since decoders read past a cut-off file or allocate whatever a
// few bytes of header claim. Shared by every backend; no library is needed.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace System::Platform::PictureFile {

// No GL here takes a texture side over 16384, and 2^26 pixels (256 MiB as RGBA, eight staging stores)
// is far past any picture of the program.
constexpr std::uint32_t MaxSide = 16384;
constexpr std::uint64_t MaxPixels = std::uint64_t(1) << 26;

inline std::uint32_t bigEndian32(const unsigned char* at)
{
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) | (std::uint32_t(at[2]) << 8) |
           std::uint32_t(at[3]);
}

// Every chunk from IHDR to IEND lies inside the bytes. The library reads past a short PNG as if
// the missing bytes were there, and loops forever on some truncated palette pictures.
inline bool completePng(const unsigned char* data, std::size_t size)
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

// Every marker segment lies inside the bytes and the entropy-coded data ends in the EOI marker.
inline bool completeJpeg(const unsigned char* data, std::size_t size)
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
        // Scan data: 0xFF is followed by a stuffed zero, a restart marker or fill; anything else
        // is the next marker.
        for (;;) {
            const void* found = at < size ? std::memchr(data + at, 0xFF, size - at) : nullptr;
            if (!found)
                return false;
            at = static_cast<const unsigned char*>(found) - data;
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

} // namespace System::Platform::PictureFile
