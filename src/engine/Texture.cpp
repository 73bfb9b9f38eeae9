#include "engine/Texture.h"

#include "base/Exception.h"

namespace System {

namespace {

const char* const DefaultName = "texture";

} // namespace

std::unique_ptr<Platform::Image> decodeImage(ResourceBlock bytes)
{
    std::unique_ptr<Platform::Image> image = Platform::Image::decode(bytes);
    if (image)
        return image;
    switch (Platform::Image::lastError()) {
    case Platform::ImageError::Generate:
        throw Exception("IL error, could not generate image");
    case Platform::ImageError::Bind:
        throw Exception("IL error, could not bind image");
    case Platform::ImageError::None:
    case Platform::ImageError::Read:
        break;
    }
    throw Exception("IL error, could not read image");
}

Texture::Texture() : name(std::make_shared<const std::string>(DefaultName))
{
}

Texture::Texture(int width, int height, Types::Colour32 colour) : Texture()
{
    // A negative side would ask for an absurd store instead of saying what is wrong.
    if (width < 0 || height < 0)
        throw Exception("Invalid texture size " + std::to_string(width) + "x" + std::to_string(height));
    layout = RGBA;
    this->width = width;
    this->height = height;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    own = std::make_unique<ByteStore>(count * 4);
    unsigned char* at = own->data();
    for (std::size_t i = 0; i < count; ++i, at += 4) {
        at[0] = colour.r;
        at[1] = colour.g;
        at[2] = colour.b;
        at[3] = colour.a;
    }
    pixels = own.get();
    loaded = true;
}

Texture::Texture(ResourceBlock resource) : Texture()
{
    decodeFromMemory(resource);
}

Texture::~Texture() = default;

PixelLayout Texture::layoutFor(int bitsPerPixel, PixelLayout current)
{
    switch (bitsPerPixel) {
    case 8:
        return Luminance;
    case 16:
        return TwoBytes;
    case 24:
        return RGB;
    case 32:
        return RGBA;
    default:
        return current;
    }
}

int Texture::bytesPerPixel(PixelLayout layout)
{
    switch (layout) {
    case TwoBytes:
        return 2;
    case RGB:
        return 3;
    case RGBA:
        return 4;
    case Luminance:
        return 1;
    }
    return 4;
}

int Texture::bytesPerPixel() const
{
    return bytesPerPixel(layout);
}

void Texture::decodeFromMemory(ResourceBlock resource)
{
    std::unique_ptr<Platform::Image> image = decodeImage(resource);
    const PixelLayout decodedLayout = layoutFor(image->bitsPerPixel(), layout);
    const int decodedWidth = image->width();
    const int decodedHeight = image->height();

    // A texture on its own gets a store of its own; one in a batch upload arrives with the shared
    // store. Nothing of the texture changes until the pixels are in.
    ByteStore* store = pixels;
    std::unique_ptr<ByteStore> fresh;
    if (!store) {
        fresh = std::make_unique<ByteStore>(std::size_t(bytesPerPixel(decodedLayout)) *
                                            std::size_t(decodedWidth) * std::size_t(decodedHeight));
        store = fresh.get();
    }
    image->copyPixels(*store);
    if (fresh) {
        own = std::move(fresh);
        pixels = own.get();
    }
    layout = decodedLayout;
    width = decodedWidth;
    height = decodedHeight;
    loaded = true;
}

void Texture::setName(const std::string& value)
{
    name = std::make_shared<const std::string>(value);
}

} // namespace System
