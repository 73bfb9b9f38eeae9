#pragma once
// Picture decoding: complete PNG and JPEG files in memory to 8-bit pixels.
#include "base/ResourceBlock.h"

#include <memory>
#include <vector>

namespace System::Platform {

// The step of a decode that failed.
enum class ImageError { None, Generate, Bind, Read };

// One decoded picture, rows bottom row first, one byte per channel in luminance, luminance-alpha, RGB
// or RGBA order.
class Image {
public:
    // Null when the picture cannot be decoded: the decoder cannot make or select an image (Generate,
    // Bind), or the bytes are not one complete PNG or JPEG file, claim a side over 16384 or more than
    // 2^26 pixels, or cannot be converted to 8-bit channels (Read). lastError() then says which.
    static std::unique_ptr<Image> decode(ResourceBlock bytes);
    static ImageError lastError();

    Image() = default;
    virtual ~Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual int bitsPerPixel() const = 0;  // 8, 16, 24 or 32
    // Copies the decoded pixels to the start of the store, growing it when it is too small.
    virtual void copyPixels(std::vector<unsigned char>& store) const = 0;
};

} // namespace System::Platform
