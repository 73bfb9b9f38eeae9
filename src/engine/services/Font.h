#pragma once
#include "base/ResourceBlock.h"

#include <cstdint>
#include <memory>
#include <string>

namespace System {
class Texture;

// A bitmap font: 16 x 16 cells of one square image, glyph widths measured from the pixels (a pixel
// is ink when its first byte is above the ink threshold). The glyph of byte c lies in cell column
// c mod 16 and cell row c div 16, rows counted from the first row of the pixel store.
class Font {
public:
    struct Glyph {
        std::uint8_t start = 0;  // first ink column within the cell
        std::uint8_t width = 0;  // ink columns from first to last inclusive; 0 for a cell without ink
    };

    // Decodes the picture at once (throws the image decoder's Exception); no GL context needed.
    Font(const std::string& name, ResourceBlock resource);
    // Measures an already decoded texture (the font takes ownership) and gives it the font's name.
    Font(const std::string& name, std::unique_ptr<Texture> texture);
    virtual ~Font();

    float getScaleX() const { return scaleX; }
    float getScaleY() const { return scaleY; }
    void setScaleX(float value) { scaleX = value; }
    void setScaleY(float value) { scaleY = value; }
    std::int32_t getInkThreshold() const { return inkThreshold; }
    const std::string& getName() const { return name; }
    std::uint32_t getListBase() const { return listBase; }
    void setListBase(std::uint32_t value) { listBase = value; }
    std::int32_t getSpacing() const { return spacing; }
    const Glyph& glyph(unsigned char c) const { return glyphs[c]; }
    Texture& getTexture() const { return *texture; }

private:
    void measureGlyphs();

    float scaleX = 1.0f;
    float scaleY = 1.0f;
    std::int32_t inkThreshold = 0;
    std::string name;
    std::uint32_t listBase = 0;
    std::int32_t spacing = 2;
    Glyph glyphs[256];
    std::unique_ptr<Texture> texture;
};

} // namespace System
