// Glyph measurement over random pictures: grey, grey with alpha, RGB and RGBA pixel stores of random
// power-of-two or odd sizes (one pixel up to 4096 wide, not square), decoded as the program decodes
// its glyph sheet, and solid textures whose store is shorter than the picture or empty. The font never
// reads outside the store, and every glyph's metrics are those a plain scan of its cell finds.
#include "PngWriter.h"
#include "engine/Texture.h"
#include "engine/services/Font.h"
#include "base/Exception.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace System;

namespace {

struct Input {
    const unsigned char* data;
    std::size_t size;
    std::size_t at = 0;
    unsigned byte() { return at < size ? data[at++] : 0u; }
    unsigned word() { return (byte() << 8) | byte(); }
};

// A power of two from 1 to 4096, or any side from 0 to 299 (odd ones included).
int side(unsigned value)
{
    return (value & 0x8000u) ? 1 << (value % 13) : int(value % 300);
}

// The metrics of one cell as a plain scan finds them: ink is a first byte above 0, looked for only
// inside the picture and inside the store.
struct Expected {
    int start = 0, width = 0;
};

Expected scanCell(const Texture& texture, int c)
{
    const int imageWidth = texture.getWidth(), imageHeight = texture.getHeight();
    const int cell = imageWidth / 16;
    const std::size_t bytes = std::size_t(texture.bytesPerPixel());
    const ByteStore* store = texture.getPixels();
    const std::size_t size = store ? store->size() : 0;
    const int left = (c % 16) * cell, top = (c / 16) * cell;
    int first = -1, last = -1;
    for (int x = left; x < left + cell; ++x)
        for (int y = top; y < top + cell && y < imageHeight; ++y) {
            const std::size_t offset = (std::size_t(imageWidth) * std::size_t(y) + std::size_t(x)) * bytes;
            if (offset < size && (*store)[offset] > 0) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    Expected expected;
    if (first >= 0) {
        expected.start = first - left;
        expected.width = last - first + 1;
    }
    return expected;
}

void check(const Font& font)
{
    const Texture& texture = font.getTexture();
    const int cell = texture.getWidth() / 16;
    int widest = 0;
    for (int c = 0; c < 256; ++c) {
        const Expected expected = c == 32 ? Expected{0, cell} : scanCell(texture, c);
        const Font::Glyph& glyph = font.glyph(static_cast<unsigned char>(c));
        // Metrics are kept in bytes: cells wider than 255 columns keep them modulo 256.
        if (glyph.start != std::uint8_t(expected.start))
            std::abort();
        if (c != 32 && glyph.width != std::uint8_t(expected.width))
            std::abort();
        if (cell <= 255 && glyph.start + (c == 32 ? 0 : glyph.width) > cell)
            std::abort();
        if (expected.width < 16)
            widest = std::max(widest, expected.width);
    }
    if (font.glyph(32).width != std::uint8_t(2 * widest / 3))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    Input in{data, size};
    const unsigned kind = in.byte() % 7;
    const int width = side(in.word());
    const int height = side(in.word());
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    if (pixels > (std::size_t(1) << 20))
        return 0;
    const std::size_t cut = in.byte();
    const std::size_t body = in.at;
    // The rest of the input, repeated, gives the samples; ink is sparse so glyph edges vary.
    auto sample = [&](std::size_t i) -> unsigned char {
        if (size <= body)
            return 0;
        unsigned char value = data[body + i % (size - body)];
        return value < 0xC0 ? 0 : value;
    };

    try {
        if (kind < 4) {
            static const int colourTypes[] = {0, 2, 4, 6};
            static const int channels[] = {1, 3, 2, 4};
            TestSupport::PngPicture picture;
            picture.width = width;
            picture.height = height;
            picture.colourType = colourTypes[kind];
            picture.rows.resize(pixels * std::size_t(channels[kind]));
            for (std::size_t i = 0; i < picture.rows.size(); ++i)
                picture.rows[i] = sample(i);
            const std::vector<unsigned char> png = TestSupport::encodePng(picture);
            // An exact-size copy, so reading past the end is caught.
            std::unique_ptr<unsigned char[]> bytes(new unsigned char[png.size()]);
            std::copy(png.begin(), png.end(), bytes.get());
            ResourceBlock block;
            block.data = bytes.get();
            block.size = static_cast<std::uint32_t>(png.size());
            Font font("fuzz", block);
            check(font);
        } else if (kind < 6) {
            // A solid texture whose store is then filled and cut short (or emptied).
            Types::Colour32 black{0, 0, 0, 255};
            auto texture = std::make_unique<Texture>(width, height, black);
            ByteStore& store = *texture->getPixels();
            for (std::size_t i = 0; i < store.size(); ++i)
                store[i] = sample(i);
            store.resize(kind == 4 ? store.size() * cut / 256 : 0);
            store.shrink_to_fit();
            Font font("fuzz", std::move(texture));
            check(font);
        } else {
            Font font("fuzz", std::make_unique<Texture>());
            check(font);
        }
    } catch (const Exception&) {
        // A picture the decoder refuses (a side of 0) is the decoder's error, not the font's.
    }
    return 0;
}
