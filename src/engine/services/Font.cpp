#include "engine/services/Font.h"

#include "engine/Texture.h"

namespace System {

namespace {

// Bits per pixel of a layout, as the measurement reads the store.
int bitsPerPixel(PixelLayout layout)
{
    switch (layout) {
    case TwoBytes:
        return 16;
    case RGB:
        return 24;
    case RGBA:
        return 32;
    default:
        return 8;
    }
}

} // namespace

Font::Font(const std::string& name, ResourceBlock resource)
    : Font(name, std::make_unique<Texture>(resource))
{
}

Font::Font(const std::string& name, std::unique_ptr<Texture> texture) : name(name), texture(std::move(texture))
{
    if (!this->texture)
        this->texture = std::make_unique<Texture>();
    this->texture->setName(name);
    this->texture->setBgr(false);
    measureGlyphs();
}

Font::~Font() = default;

// Cell row r is counted from the first row of the store (rows bottom row first), which is also the
// texture's t = 0 edge. Every scan stays inside its cell and inside the image and its store, so a
// picture that is not square, or a store shorter than the picture, cannot be read past.
void Font::measureGlyphs()
{
    const int imageWidth = texture->getWidth();
    const int imageHeight = texture->getHeight();
    const int cell = imageWidth >> 4;
    const std::size_t bytes = static_cast<std::size_t>(bitsPerPixel(texture->getLayout()) / 8);
    const ByteStore* store = texture->getPixels();
    const std::size_t storeSize = store ? store->size() : 0;

    auto inkInColumn = [&](int x, int top) {
        for (int dy = 0; dy < cell; ++dy) {
            const int y = top + dy;
            if (y >= imageHeight)
                return false;
            const std::size_t offset = (std::size_t(imageWidth) * std::size_t(y) + std::size_t(x)) * bytes;
            if (offset >= storeSize)
                return false;
            if ((*store)[offset] > inkThreshold)
                return true;
        }
        return false;
    };

    int maxWidth = 0;
    for (int r = 0; r < 16; ++r) {
        for (int k = 0; k < 16; ++k) {
            const int c = 16 * r + k;
            int start = 0;
            int width = 0;
            if (c == 32) {
                width = cell;
            } else {
                const int left = k * cell;
                const int top = r * cell;
                int x = left;
                while (x < left + cell && !inkInColumn(x, top))
                    ++x;
                // A cell without ink gets start 0 and width 0: it draws nothing and the pen moves
                // by the spacing alone.
                if (x < left + cell) {
                    start = x - left;
                    int right = left + cell - 1;
                    while (right > x && !inkInColumn(right, top))
                        --right;
                    width = right - (left + start) + 1;
                }
            }
            glyphs[c].start = static_cast<std::uint8_t>(start);
            glyphs[c].width = static_cast<std::uint8_t>(width);
            if (width < 16 && width >= maxWidth)
                maxWidth = width;
        }
    }
    glyphs[32].width = static_cast<std::uint8_t>((2 * maxWidth) / 3);
}

} // namespace System
