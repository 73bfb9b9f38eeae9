// The bitmap decoder over any bytes: it fails or gives exactly width x height pixels, and never reads
// outside the bytes it was given.
#include "platform/Bitmap.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // An exact-size copy, so reading past the end is caught.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size ? size : 1]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    System::Platform::Bitmap bitmap;
    if (System::Platform::decodeBitmap(bytes.get(), size, bitmap) &&
        (bitmap.width <= 0 || bitmap.height <= 0 ||
         bitmap.rgb.size() != std::size_t(bitmap.width) * std::size_t(bitmap.height) * 3))
        std::abort();
    return 0;
}
