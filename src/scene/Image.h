#pragma once
// The one place that talks to the image library (DevIL).
#include "scene/ResourceHelpers.h"

#include <vector>

namespace System {

// One decoded picture inside the image library, rows bottom row first, one byte per channel in
// luminance, luminance-alpha, RGB or RGBA order. The library's image is released with the object.
class Image {
public:
    // Throws Exception "IL error, could not generate image", "IL error, could not bind image" or
    // "IL error, could not read image" (also for bytes that are not a complete PNG or JPEG file).
    explicit Image(ResourceBlock bytes);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width() const;
    int height() const;
    int bitsPerPixel() const;
    // Copies the decoded pixels to the start of the store, growing it when it is too small.
    void copyPixels(std::vector<unsigned char>& store) const;

private:
    int query(unsigned int what) const;

    unsigned int name = 0;
};

} // namespace System
