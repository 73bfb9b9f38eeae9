// Win32 platform layer: picture decoding over this backend's stb_image decoder (StbPicture.cpp).
// There is no library state to make or select, so the only failure is Read.
#include "platform/Image.h"

#include "platform/win32/StbPicture.h"

#include <cstring>

namespace System::Platform {

namespace {

ImageError g_lastError = ImageError::None;

class StbImage final : public Image {
public:
    explicit StbImage(std::unique_ptr<Win32::StbPicture> picture) : picture(std::move(picture)) {}
    int width() const override { return picture->width; }
    int height() const override { return picture->height; }
    int bitsPerPixel() const override { return picture->channels * 8; }
    void copyPixels(std::vector<unsigned char>& store) const override
    {
        if (store.size() < picture->pixels.size())
            store.resize(picture->pixels.size());
        std::memcpy(store.data(), picture->pixels.data(), picture->pixels.size());
    }

private:
    std::unique_ptr<Win32::StbPicture> picture;
};

} // namespace

std::unique_ptr<Image> Image::decode(ResourceBlock bytes)
{
    auto picture = Win32::decodePicture(bytes.data, bytes.size);
    if (!picture) {
        g_lastError = ImageError::Read;
        return nullptr;
    }
    g_lastError = ImageError::None;
    return std::make_unique<StbImage>(std::move(picture));
}

ImageError Image::lastError()
{
    return g_lastError;
}

} // namespace System::Platform
