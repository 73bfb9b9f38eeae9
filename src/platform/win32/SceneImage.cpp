// Win32 build: the scene's Image over the stb_image decoder of this backend.
#include "scene/Image.h"

#include "engine/Exception.h"
#include "platform/win32/StbPicture.h"

#include <cstring>
#include <map>

namespace System {

namespace {
// The class keeps only a number; the pictures live here by that number.
std::map<unsigned, std::unique_ptr<Platform::Win32::StbPicture>>& pictures()
{
    static std::map<unsigned, std::unique_ptr<Platform::Win32::StbPicture>> table;
    return table;
}
unsigned g_next = 1;

const Platform::Win32::StbPicture& picture(unsigned name)
{
    return *pictures().at(name);
}
} // namespace

Image::Image(ResourceBlock bytes)
{
    auto decoded = Platform::Win32::decodePicture(bytes.data, bytes.size);
    if (!decoded)
        throw Exception("IL error, could not read image");
    name = g_next++;
    pictures()[name] = std::move(decoded);
}

Image::~Image()
{
    pictures().erase(name);
}

int Image::query(unsigned int) const
{
    return 0;
}

int Image::width() const
{
    return picture(name).width;
}

int Image::height() const
{
    return picture(name).height;
}

int Image::bitsPerPixel() const
{
    return picture(name).channels * 8;
}

void Image::copyPixels(std::vector<unsigned char>& store) const
{
    const auto& pixels = picture(name).pixels;
    if (store.size() < pixels.size())
        store.resize(pixels.size());
    std::memcpy(store.data(), pixels.data(), pixels.size());
}

} // namespace System
