// Linux platform layer: pictures decoded by DevIL, the image library of the Linux build. The library's
// image is released with the object.
// Depends on: DevIL (IL).
#include "platform/Image.h"
#include "platform/PictureFile.h"

#include <IL/il.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace System::Platform {

namespace {

ImageError g_lastError = ImageError::None;

using PictureFile::MaxPixels;
using PictureFile::MaxSide;
using PictureFile::bigEndian32;
using PictureFile::completeJpeg;
using PictureFile::completePng;

// The library keeps stale entries (IL_FILE_READ_ERROR from format probing) even after a success,
// so the queue is emptied around every step; the first entry tells whether the step failed.
ILenum drainErrors()
{
    ILenum first = ilGetError();
    if (first != IL_NO_ERROR)
        while (ilGetError() != IL_NO_ERROR) {
        }
    return first;
}

// The size the file's header declares: IHDR of a PNG, the first frame header (SOFn) of a JPEG. Only
// called on files that completePng or completeJpeg accepted, so every segment lies inside the bytes.
bool declaredSizeAllowed(const unsigned char* data, std::size_t size)
{
    std::uint64_t width = 0, height = 0;
    if (data[0] == 0x89) {
        width = bigEndian32(data + 16);
        height = bigEndian32(data + 20);
    } else {
        std::size_t at = 2;
        while (at + 4 <= size && data[at] == 0xFF) {
            while (at < size && data[at] == 0xFF)
                ++at;
            if (at + 3 > size)
                break;
            const unsigned char marker = data[at++];
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9))
                continue;
            const std::size_t length = (std::size_t(data[at]) << 8) | data[at + 1];
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                               marker != 0xCC;
            if (frame && length >= 7 && at + 7 <= size) {
                height = (std::uint64_t(data[at + 3]) << 8) | data[at + 4];
                width = (std::uint64_t(data[at + 5]) << 8) | data[at + 6];
                break;
            }
            if (marker == 0xDA)
                break;
            at += length;
        }
    }
    return width <= MaxSide && height <= MaxSide && width * height <= MaxPixels;
}

// The texture layouts know one byte per channel in these four orders; anything else (palette,
// BGR, 16-bit channels) is converted so its depth names its layout truthfully.
bool normalise()
{
    ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    ILint type = ilGetInteger(IL_IMAGE_TYPE);
    ILenum target;
    switch (format) {
    case IL_LUMINANCE:
    case IL_LUMINANCE_ALPHA:
    case IL_RGB:
    case IL_RGBA:
        target = format;
        break;
    case IL_BGR:
        target = IL_RGB;
        break;
    case IL_COLOUR_INDEX: {
        ILint palette = ilGetInteger(IL_PALETTE_TYPE);
        target = palette == IL_PAL_RGBA32 || palette == IL_PAL_BGRA32 ? IL_RGBA : IL_RGB;
        break;
    }
    default:
        target = IL_RGBA;
        break;
    }
    if (ILint(target) == format && type == IL_UNSIGNED_BYTE)
        return true;
    return ilConvertImage(target, IL_UNSIGNED_BYTE) == IL_TRUE;
}

class DevilImage final : public Image {
public:
    explicit DevilImage(ILuint name) : name(name) {}
    ~DevilImage() override
    {
        ILuint released = name;
        ilDeleteImages(1, &released);
        drainErrors();
    }

    int width() const override { return query(IL_IMAGE_WIDTH); }
    int height() const override { return query(IL_IMAGE_HEIGHT); }
    int bitsPerPixel() const override { return query(IL_IMAGE_BITS_PER_PIXEL); }

    void copyPixels(std::vector<unsigned char>& store) const override
    {
        ilBindImage(name);
        const ILubyte* pixels = ilGetData();
        ILint count = ilGetInteger(IL_IMAGE_SIZE_OF_DATA);
        if (!pixels || count <= 0)
            return;
        if (store.size() < std::size_t(count))
            store.resize(std::size_t(count));
        std::memcpy(store.data(), pixels, std::size_t(count));
    }

private:
    int query(ILenum what) const
    {
        ilBindImage(name);
        return ilGetInteger(what);
    }

    ILuint name;
};

std::unique_ptr<Image> failed(ImageError error)
{
    g_lastError = error;
    return nullptr;
}

} // namespace

std::unique_ptr<Image> Image::decode(ResourceBlock bytes)
{
    ilInit();
    drainErrors();
    ILuint generated = 0;
    ilGenImages(1, &generated);
    if (drainErrors() != IL_NO_ERROR)
        return failed(ImageError::Generate);

    ilBindImage(generated);
    if (drainErrors() != IL_NO_ERROR) {
        ilDeleteImages(1, &generated);
        return failed(ImageError::Bind);
    }

    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);

    // The library is told the real length (0 is refused) and only sees complete files, so it never
    // reads past the resource.
    bool complete = bytes.data && (completePng(bytes.data, bytes.size) || completeJpeg(bytes.data, bytes.size)) &&
                    declaredSizeAllowed(bytes.data, bytes.size);
    bool loaded = complete && ilLoadL(IL_TYPE_UNKNOWN, bytes.data, bytes.size) == IL_TRUE;
    drainErrors();
    if (!loaded || !normalise()) {
        drainErrors();
        ilDeleteImages(1, &generated);
        return failed(ImageError::Read);
    }
    g_lastError = ImageError::None;
    return std::make_unique<DevilImage>(generated);
}

ImageError Image::lastError()
{
    return g_lastError;
}

} // namespace System::Platform
