// The image decoding wrapper over any bytes: a decoded picture or the decoder's Exception, and a
// texture decoded from it never reads or writes outside its store.
#include "base/Exception.h"
#include "engine/Texture.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    // An exact-size copy, so reading past the end is caught.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size ? size : 1]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    System::ResourceBlock block;
    block.data = bytes.get();
    block.size = static_cast<std::uint32_t>(size);
    try {
        System::Texture texture;
        texture.decodeFromMemory(block);
        const std::size_t needed = std::size_t(texture.bytesPerPixel()) * texture.getWidth() * texture.getHeight();
        if (!texture.isLoaded() || !texture.getPixels() || texture.getPixels()->size() < needed)
            std::abort();
    } catch (const System::Exception&) {
    }
    return 0;
}
